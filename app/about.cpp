// SPDX-License-Identifier: GPL-3.0-or-later
#include "about.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly {

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox1"));
    setWindowTitle(tr("About Twinly"));
    auto *v = new QVBoxLayout(this);
    auto *icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    v->addWidget(icon);
    auto *name = new QLabel(QStringLiteral("<b>Twinly</b>"));
    name->setObjectName(QStringLiteral("ProductName"));
    name->setAlignment(Qt::AlignCenter);
    v->addWidget(name);
    auto *version = new QLabel(tr("Version %1").arg(QStringLiteral(TWINLY_VERSION)));
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);
    v->addWidget(version);
    v->addWidget(new QLabel(tr("Finds duplicate files and helps to get rid of them.")));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(buttons);
}

} // namespace twinly
