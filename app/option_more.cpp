// SPDX-License-Identifier: GPL-3.0-or-later
// The "More options" page: the list's look, the preview panel, the language and the remembered
// checksums.
#include "option_pages.h"

#include "color_list.h"
#include "dialogs.h"
#include "hash_cache.h"
#include "messages.h"
#include "multi_language.h"
#include "option_controls.h"
#include "widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace twinly {

using namespace option_controls;

void OptionPages::buildSpecPage()
{
    SpecOptions = named(new QWidget, "SpecOptions");
    auto *grid = new QGridLayout(SpecOptions);

    grid->addWidget(buildListBox(), 0, 0);
    grid->addWidget(buildPreviewBox(), 0, 1);
    grid->addWidget(buildChartBox(), 1, 1);

    auto *langRow = new QHBoxLayout;
    Label18 = named(new QLabel(tr("Language")), "Label18");
    langRow->addWidget(Label18);
    Languages = named(new QComboBox, "Languages", tr("Select language file."));
    Languages->addItem(QStringLiteral("Default.lng"), QStringLiteral("Default.lng"));
    Languages->setCurrentIndex(0);
    langRow->addWidget(Languages, 1);
    grid->addLayout(langRow, 1, 0, Qt::AlignTop);

    // Remembered checksums: a rescan reads only what changed. On unless the user turns it off.
    auto *cacheBox = named(new QGroupBox(tr(" Checksums ")), "CacheGroup");
    auto *gcache = new QHBoxLayout(cacheBox);
    RememberChecksums =
        checkBox(tr("Remember file checksums"), "RememberChecksums",
                 tr("Keep the checksums of files read, so that later searches read only the files "
                    "that changed since."));
    RememberChecksums->setChecked(true);
    auto *clearCache = named(new QPushButton(tr("Clear cache")), "ClearCache",
                             tr("Forget every remembered checksum."));
    connect(clearCache, &QPushButton::clicked, this, &OptionPages::ClearCacheClick);
    gcache->addWidget(RememberChecksums, 1);
    gcache->addWidget(clearCache);
    grid->addWidget(cacheBox, 2, 0, Qt::AlignTop);
    grid->setRowStretch(3, 1);

    addPage(SpecOptions, tr("More options"));
}

QWidget *OptionPages::buildListBox()
{
    auto *box10 = named(new QGroupBox(tr(" Duplicate list ")), "GroupBox10");
    auto *g10 = new QGridLayout(box10);
    Color1 = named(new ColorList, "Color1");
    Color2 = named(new ColorList, "Color2");
    Color1->setPosition(9);
    Color2->setPosition(10);
    ConfDel = checkBox(tr("Delete confirmation"), "ConfDel",
                       tr("Ask for confirmation when deleting file from disk."));
    ConfDelAll = checkBox(tr("Delete all confirmation"), "ConfDelAll",
                          tr("Ask for confirmation when deleting all selected files from disk."));
    ConfDel->setChecked(true);
    ConfDelAll->setChecked(true);
    SysMenu =
        radio(tr("system menu"), "SysMenu", tr("Shift+Mouse RButton opens system menu (default)."));
    ProgramMenu =
        radio(tr("program menu"), "ProgramMenu", tr("Shift+Mouse RButton opens program menu."));
    SysMenu->setChecked(true);
    makeExclusive({SysMenu, ProgramMenu});
    g10->addWidget(named(new QLabel(tr("Colors")), "ColorsLabel"), 0, 0);
    g10->addWidget(Color1, 0, 1);
    g10->addWidget(Color2, 0, 2);
    g10->addWidget(ConfDel, 1, 0, 1, 3);
    g10->addWidget(ConfDelAll, 2, 0, 1, 3);
    g10->addWidget(named(new QLabel(tr("Shift+Mouse RButton opens ")), "ShiftLabel"), 3, 0, 1, 3);
    g10->addWidget(SysMenu, 4, 1);
    g10->addWidget(ProgramMenu, 4, 2);
    return box10;
}

QWidget *OptionPages::buildPreviewBox()
{
    auto *preview = named(new QGroupBox(tr(" Preview panel options ")), "Preview");
    auto *vp = new QVBoxLayout(preview);
    Preview1 = radio(tr("Show in original size"), "Preview1");
    Preview2 = radio(tr("Show to fit in screen"), "Preview2");
    Preview3 = radio(tr("View resized image"), "Preview3");
    Preview4 = radio(tr("View as chart"), "Preview4");
    Preview1->setChecked(true);
    Preview4->hide();
    makeExclusive({Preview1, Preview2, Preview3, Preview4});
    for (QRadioButton *r : {Preview1, Preview2, Preview3, Preview4})
        vp->addWidget(r);
    return preview;
}

QWidget *OptionPages::buildChartBox()
{
    ChartGroup = named(new QGroupBox(tr(" Chart setings ")), "ChartGroup");
    auto *gc = new QGridLayout(ChartGroup);
    Chart3D = checkBox(tr("Use 3D chart"), "Chart3D", tr("Show chart as 3D."));
    ChartColor = named(new ColorList, "ChartColor", tr("Chart drawing line color."));
    ChartColor->setPosition(6);
    BackImage = checkBox(tr("Use image as background"), "BackImage",
                         tr("Preview image in chart background."));
    gc->addWidget(Chart3D, 0, 0, 1, 2);
    gc->addWidget(named(new QLabel(tr("Drawing line color")), "ChartColorLabel"), 1, 0);
    gc->addWidget(ChartColor, 1, 1);
    gc->addWidget(BackImage, 2, 0, 1, 2);
    ChartGroup->hide();
    return ChartGroup;
}

void OptionPages::ColorChange()
{
    Q_EMIT bandColorsChanged();
}

void OptionPages::PreviewClick()
{
    ChartGroup->setVisible(m_previewMode == 3);
    Q_EMIT previewModeChanged(m_previewMode);
}

void OptionPages::Preview1Click()
{
    m_previewMode = 0;
    PreviewClick();
}

void OptionPages::Preview2Click()
{
    m_previewMode = 1;
    PreviewClick();
}

void OptionPages::Preview3Click()
{
    m_previewMode = 2;
    PreviewClick();
}

void OptionPages::Preview4Click()
{
    m_previewMode = 3;
    PreviewClick();
}

void OptionPages::SpecOptionsShow()
{
    Label18->hide();
    Languages->hide();
    const QSignalBlocker block(Languages);
    Languages->clear();
    m_lang.FindLanguageFiles();
    if (m_lang.LanguageFiles.isEmpty())
        return;
    // First the way back to the built-in texts (its data is no file name), then the files.
    Languages->addItem(TMultiLang::builtInEntry(), QString());
    for (const QString &name : m_lang.LanguageFiles)
        Languages->addItem(name, name);
    int current = m_lang.CurrentLang.isEmpty() ? 0 : -1;
    for (int i = 0; i < m_lang.LanguageFiles.size() && !m_lang.CurrentLang.isEmpty(); ++i)
        if (m_lang.LanguageFiles[i].compare(m_lang.CurrentLang, Qt::CaseInsensitive) == 0)
            current = i + 1;
    Languages->setCurrentIndex(current);
    Label18->show();
    Languages->show();
}

void OptionPages::LanguagesChange()
{
    m_lang.CurrentLang = Languages->currentData().toString();
    Q_EMIT languageChanged();
}

void OptionPages::ClearCacheClick()
{
    if (!HashCache::clear(HashCache::DefaultFolder()))
        Dialogs::instance().error(
            m_window, GetString(kErrorCaptionKey, kErrorCaptionText),
            GetString("strClearCache", "The remembered checksums could not be cleared."));
}

} // namespace twinly
