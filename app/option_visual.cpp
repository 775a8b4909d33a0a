// SPDX-License-Identifier: GPL-3.0-or-later
// The "Visual comparing options" page.
#include "option_pages.h"

#include "option_controls.h"
#include "widgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace twinly {

using namespace option_controls;

namespace {

QLabel *warningStrip(const char *name)
{
    auto *l = named(
        new QLabel(QObject::tr("Warning! Changing this option can slow all comparing proces !")),
        name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::red);
    p.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(p);
    return l;
}

QDoubleSpinBox *accuracy(const char *name, const QString &hint, double value, double min,
                         double max)
{
    auto *s = named(new QDoubleSpinBox, name, hint);
    s->setRange(min, max);
    s->setSingleStep(0.5);
    s->setDecimals(1);
    s->setValue(value);
    return s;
}

QSlider *slider(const char *name, const QString &hint)
{
    auto *s = named(new QSlider(Qt::Horizontal), name, hint);
    s->setRange(1, 10);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    return s;
}

} // namespace

void OptionPages::buildVisualPage()
{
    VisualOptions = named(new QWidget, "VisualOptions");
    auto *grid = new QGridLayout(VisualOptions);
    grid->addWidget(buildAccuracyBox(), 0, 0);
    grid->addWidget(buildResizingBox(), 0, 1);
    grid->addWidget(buildSplittingBox(), 1, 1);
    grid->addWidget(buildMethodsBox(), 1, 0);
    CheckBox1 = checkBox(tr("CheckBox1"), "CheckBox1");
    CheckBox1->hide();
    grid->addWidget(CheckBox1, 2, 0);
    CameraOrientation = checkBox(tr("Turn pictures as the camera says"), "CameraOrientation",
                                 tr("Show and compare photos upright, as the camera recorded."));
    CameraOrientation->setChecked(true);
    grid->addWidget(CameraOrientation, 2, 1);
    FindRotations = checkBox(tr("Find rotated and mirrored copies"), "FindRotations",
                             tr("Also compare each picture turned and mirrored."));
    grid->addWidget(FindRotations, 3, 1);
    grid->setRowStretch(4, 1);

    auto showValues = [this] {
        SizeLabel->setText(QStringLiteral("%1 x %1").arg(Resizing->value() * 100));
        SplittingLabel->setText(QStringLiteral("%1 x %1").arg(Splitting->value() * 10));
    };
    connect(Resizing, &QSlider::valueChanged, this, showValues);
    connect(Splitting, &QSlider::valueChanged, this, showValues);
    showValues();
    makeExclusive({CMPMethod1, CMPMethod2});

    addPage(VisualOptions, tr("Visual comparing options"));
    PageControl1->setTabVisible(PageControl1->indexOf(tabOf(VisualOptions)), false);
}

QWidget *OptionPages::buildAccuracyBox()
{
    auto *box6 = named(new QGroupBox(tr(" Accuracy %")), "GroupBox6");
    auto *g6 = new QGridLayout(box6);
    Acc1 = accuracy("Acc1", tr("Total accuracy between comparing pictures."), 100, 50, 500);
    Acc2 = accuracy("Acc2", tr("Average difference upper bound."), 10, 0.5, 50);
    Acc3 = accuracy("Acc3", tr("Upper bound of difference frequency."), 10, 0.5, 50);
    Acc4 = accuracy("Acc4", QString(), 10, 0.5, 50);
    const QString labels[] = {tr("Total accuracy"), tr("Difference between pictures"),
                              tr("Diferential frequency"), tr("Frequency accuracy")};
    QDoubleSpinBox *fields[] = {Acc1, Acc2, Acc3, Acc4};
    for (int i = 0; i < 4; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        const QByteArray label = "AccLabel" + n;
        const QByteArray unit = "AccUnit" + n;
        g6->addWidget(named(new QLabel(labels[i]), label.constData()), i, 0);
        g6->addWidget(fields[i], i, 1);
        g6->addWidget(named(new QLabel(QStringLiteral("%")), unit.constData()), i, 2);
    }
    return box6;
}

QWidget *OptionPages::buildResizingBox()
{
    auto *box8 = named(new QGroupBox(tr(" Image resizing ")), "GroupBox8");
    auto *v8 = new QVBoxLayout(box8);
    Resizing = slider("Resizing", tr("Resize images to standart resolution."));
    SizeLabel = named(new QLabel, "SizeLabel");
    v8->addWidget(Resizing);
    v8->addWidget(named(new QLabel(tr("Image will be resized to :")), "ResizedToLabel"));
    v8->addWidget(SizeLabel);
    v8->addWidget(warningStrip("ResizingWarning"));
    return box8;
}

QWidget *OptionPages::buildSplittingBox()
{
    auto *box7 = named(new QGroupBox(tr(" Image splitting ")), "GroupBox7");
    auto *v7 = new QVBoxLayout(box7);
    Splitting = slider("Splitting", tr("Split image to small squares."));
    SplittingLabel = named(new QLabel, "SplittingLabel");
    v7->addWidget(Splitting);
    v7->addWidget(named(new QLabel(tr("Image splitted to :")), "SplittedToLabel"));
    v7->addWidget(SplittingLabel);
    v7->addWidget(warningStrip("SplittingWarning"));
    return box7;
}

QWidget *OptionPages::buildMethodsBox()
{
    auto *methods = named(new QGroupBox(tr("Comparing methods")), "CMPMethods");
    auto *vm = new QVBoxLayout(methods);
    CMPMethod1 = radio(tr("Comparing only same proportional pictures"), "CMPMethod1");
    CMPMethod2 = radio(tr("Comparing any pictures"), "CMPMethod2");
    CMPMethod1->setChecked(true);
    vm->addWidget(CMPMethod1);
    vm->addWidget(CMPMethod2);
    return methods;
}

} // namespace twinly
