// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace twinly {

StatusPanels::StatusPanels(QStatusBar *bar)
    : m_panel0(new QLabel), Gauge1(new QProgressBar), m_panel2(new QLabel)
{
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    m_panel0->setObjectName(QStringLiteral("StatusPanel0"));
    m_panel0->setFixedWidth(175);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 100);
    Gauge1->setFixedSize(95, 15);
    // A navy bar on the button face, without the style's frame.
    Gauge1->setTextVisible(false);
    Gauge1->setStyleSheet(
        QStringLiteral("QProgressBar { border: none; background: palette(button); }"
                       "QProgressBar::chunk { background: navy; }"));
    Gauge1->hide();
    auto *panel1 = new QWidget;
    panel1->setFixedWidth(100);
    auto *h = new QHBoxLayout(panel1);
    h->setContentsMargins(2, 0, 2, 0);
    h->addWidget(Gauge1);
    m_panel2->setObjectName(QStringLiteral("StatusPanel2"));
    m_panel2->setMinimumWidth(50);
    bar->addWidget(m_panel0);
    bar->addWidget(panel1);
    bar->addWidget(m_panel2, 1);
}

void StatusPanels::setActivity(const QString &text)
{
    m_panel0->setText(text);
}

QString StatusPanels::activity() const
{
    return m_panel0->text();
}

void StatusPanels::setItem(const QString &text)
{
    m_panel2->setText(text);
}

void StatusPanels::setGauge(int percent)
{
    Gauge1->setValue(percent);
}

int StatusPanels::gauge() const
{
    return Gauge1->value();
}

void StatusPanels::showGauge(bool visible)
{
    Gauge1->setVisible(visible);
}

void StatusPanels::clearTexts()
{
    m_panel0->clear();
    m_panel2->clear();
}

} // namespace twinly
