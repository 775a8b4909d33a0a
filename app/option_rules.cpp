// SPDX-License-Identifier: GPL-3.0-or-later
// The option interlocks: what a change of one option does to the others.
#include "option_pages.h"

#include "color_list.h"
#include "path_fields.h"
#include "widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace twinly {

namespace {

template<typename Handler> void onChecked(QRadioButton *r, OptionPages *w, Handler h)
{
    QObject::connect(r, &QRadioButton::toggled, w, [w, h](bool on) {
        if (on)
            (w->*h)();
    });
}

} // namespace

void OptionPages::connectInterlocks()
{
    makeExclusive({CheckDublicates, CreateCRC});
    makeExclusive({Radio1, Radio2, Radio3});
    connect(MaskCBox, &QCheckBox::toggled, this, &OptionPages::MaskCBoxClick);
    connect(MinSizeC, &QCheckBox::toggled, this, &OptionPages::MinSizeCClick);
    connect(MaxSizeC, &QCheckBox::toggled, this, &OptionPages::MinSizeCClick);
    connect(CompareContent, &QCheckBox::toggled, this, &OptionPages::CompareContentClick);
    connect(IgnoreSize, &QCheckBox::toggled, this, &OptionPages::IgnoreSizeClick);
    connect(VisualCMP, &QCheckBox::toggled, this, &OptionPages::VisualCMPClick);
    connect(CRCCompare, &QCheckBox::toggled, this, &OptionPages::CRCClick);
    onChecked(CheckDublicates, this, &OptionPages::CRCClick);
    onChecked(CreateCRC, this, &OptionPages::CRCClick);
    onChecked(Radio1, this, &OptionPages::Radio1Click);
    onChecked(Radio2, this, &OptionPages::Radio2Click);
    onChecked(Radio3, this, &OptionPages::Radio3Click);
    onChecked(Preview1, this, &OptionPages::Preview1Click);
    onChecked(Preview2, this, &OptionPages::Preview2Click);
    onChecked(Preview3, this, &OptionPages::Preview3Click);
    onChecked(Preview4, this, &OptionPages::Preview4Click);
    connect(Color1, &QComboBox::currentIndexChanged, this, &OptionPages::ColorChange);
    connect(Color2, &QComboBox::currentIndexChanged, this, &OptionPages::ColorChange);
    connect(Languages, &QComboBox::activated, this, &OptionPages::LanguagesChange);
    connect(Chart3D, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(BackImage, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(ChartColor, &QComboBox::currentIndexChanged, this, &OptionPages::previewStyleChanged);
    connect(CameraOrientation, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == tabOf(SpecOptions))
            SpecOptionsShow();
    });
}

void OptionPages::MaskCBoxClick()
{
    MaskEdit->setEnabled(MaskCBox->isChecked());
    if (!MaskCBox->isChecked() && MaskEdit->text().isEmpty())
        MaskEdit->setText(QStringLiteral("*.*"));
}

void OptionPages::MinSizeCClick()
{
    MinSize->setEnabled(MinSizeC->isChecked());
    MaxSize->setEnabled(MaxSizeC->isChecked());
}

void OptionPages::Radio1Click()
{
    m_deleteMode = 1;
    UpdateDeleteMode();
}

void OptionPages::Radio2Click()
{
    m_deleteMode = 2;
    UpdateDeleteMode();
}

void OptionPages::Radio3Click()
{
    m_deleteMode = 3;
    UpdateDeleteMode();
}

void OptionPages::UpdateDeleteMode()
{
    if (m_deleteMode < 1 || m_deleteMode > 3)
        return;
    MoveDir->setEnabled(m_deleteMode == 1);
    Smile1->setVisible(m_deleteMode == 1);
    Smile2->setVisible(m_deleteMode == 2);
    Smile3->setVisible(m_deleteMode == 3);
    QRadioButton *const radios[] = {Radio1, Radio2, Radio3};
    radios[m_deleteMode - 1]->setChecked(true);
}

void OptionPages::CompareContentClick()
{
    if (CompareContent->isChecked()) {
        VisualCMP->setChecked(false);
        IgnoreSize->setChecked(false);
        if (m_previewMode == 3)
            Preview1->setChecked(true);
    } else {
        CRCCompare->setChecked(false);
    }
}

void OptionPages::IgnoreSizeClick()
{
    if (IgnoreSize->isChecked()) {
        CompareContent->setChecked(false);
        CRCCompare->setChecked(false);
    }
}

void OptionPages::VisualCMPClick()
{
    const bool visual = VisualCMP->isChecked();
    if (visual)
        CompareContent->setChecked(false);
    Preview4->setVisible(visual);
    MaskCBox->setEnabled(!visual);
    MaskEdit->setEnabled(!visual);
    PageControl1->setTabVisible(PageControl1->indexOf(tabOf(VisualOptions)), visual);
}

void OptionPages::CRCClick()
{
    CRCFileSave->setEnabled(CreateCRC->isChecked());
    CRCFile->setEnabled(CRCCompare->isChecked());
    GroupBox5->setEnabled(CRCCompare->isChecked());
    if (CRCCompare->isChecked()) {
        IgnoreDate->setChecked(true);
        IgnoreNames->setChecked(true);
        CompareContent->setChecked(true);
    }
    GroupBox5->setVisible(!CreateCRC->isChecked());
    CRCCompare->setVisible(!CreateCRC->isChecked());
    GroupBox1->setVisible(!CreateCRC->isChecked() && CheckDublicates->isChecked());
}

void OptionPages::MoveDirExit()
{
    std::string folder = platform::FieldPath(MoveDir);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
        platform::SetFieldPath(MoveDir, folder);
    }
}

} // namespace twinly
