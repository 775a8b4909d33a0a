// SPDX-License-Identifier: GPL-3.0-or-later
// The options kept between runs, loaded once at the first showing and saved once at closing,
// in a fixed order: the flags are applied through the controls' own reactions, so a stored
// state is rebuilt by the same interlocks a user's clicks would run.
#include "option_pages.h"

#include "color_list.h"
#include "dialogs.h"
#include "multi_language.h"
#include "path_fields.h"
#include "settings_store.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <array>
#include <cmath>

namespace twinly {

namespace {

using platform::SettingsKey;
constexpr std::size_t kFlagsSize = 33;

std::string utf8Of(const QString &s)
{
    return s.toUtf8().toStdString();
}

// Folder and database lists: entries from the comma list, check marks from one byte each.
// Entries are paths and stay bytes: one that is not UTF-8 is stored as it is (the settings
// file writes such a value as bytes) and comes back byte for byte.
void loadList(const SettingsKey &key, const char *listName, const char *marksName,
              QListWidget *list)
{
    const QSignalBlocker block(list); // the folder check rule does not run here
    list->clear();
    std::string text;
    key.readString(listName, text);
    for (const std::string &entry : platform::DecodeCommaList(text)) {
        QListWidgetItem *item = platform::NewPathItem(entry);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        list->addItem(item);
    }
    if (list->count() == 0)
        return;
    std::vector<std::uint8_t> marks;
    if (!key.readBinary(marksName, static_cast<std::size_t>(list->count()), marks))
        return;
    for (std::size_t i = 0; i < marks.size(); ++i)
        list->item(static_cast<int>(i))->setCheckState(marks[i] ? Qt::Checked : Qt::Unchecked);
}

void saveList(SettingsKey &key, const char *listName, const char *marksName,
              const QListWidget *list)
{
    std::vector<std::string> entries;
    std::vector<std::uint8_t> marks;
    for (int i = 0; i < list->count(); ++i) {
        entries.push_back(platform::ItemPath(list->item(i)));
        marks.push_back(list->item(i)->checkState() == Qt::Checked ? 1 : 0);
    }
    key.writeString(listName, platform::EncodeCommaList(entries));
    if (!marks.empty())
        key.writeBinary(marksName, marks);
}

// A missing string empties its field; a string of another type changes nothing.
void loadText(const SettingsKey &key, const char *name, QLineEdit *edit)
{
    std::string text;
    if (key.readString(name, text))
        edit->setText(QString::fromUtf8(text));
    else if (!key.hasValue(name))
        edit->clear();
}

// The same for a field that holds a path: its bytes are kept as they were stored.
void loadPath(const SettingsKey &key, const char *name, QLineEdit *edit)
{
    std::string path;
    if (key.readString(name, path))
        platform::SetFieldPath(edit, path);
    else if (!key.hasValue(name))
        edit->clear();
}

bool loadInt(const SettingsKey &key, const char *name, int &out)
{
    std::uint32_t v = 0;
    if (!key.readDword(name, v))
        return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

// Sizes and accuracies are stored as whole numbers, truncated toward zero.
std::uint32_t storedWhole(double value)
{
    const double t = std::trunc(value);
    if (t <= 0)
        return 0;
    return t >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(t);
}

} // namespace

// The eighteen flags of "Setings", in byte order: loading applies them in this order, each
// through its reaction, and saving writes them from the same list.
std::array<QAbstractButton *, 18> OptionPages::flagButtons() const
{
    return {RecursiveDirs,   CompareContent, IgnoreDate, IgnoreNames, IgnoreSize, MaskCBox,
            CheckDublicates, MinSizeC,       MaxSizeC,   CreateCRC,   CRCCompare, VisualCMP,
            CMPMethod2,      Chart3D,        BackImage,  ConfDel,     ConfDelAll, ProgramMenu};
}

void OptionPages::LoadSettings(const std::string &path)
{
    std::array<std::uint8_t, kFlagsSize> flags{};
    const auto key = SettingsKey::open(path);
    if (!key) {
        // The first run: the flags keep the pages' built-in state (a search that finds
        // duplicates by content, with both confirmations on), rather than a block of zeros
        // that would search nothing and delete unasked.
        CheckDublicates->setChecked(true);
        const auto buttons = flagButtons();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            flags[i] = buttons[i]->isChecked() ? 1 : 0;
    } else {
        loadSearchLists(*key);
        std::vector<std::uint8_t> stored;
        if (key->readBinary("Setings", kFlagsSize, stored))
            std::copy(stored.begin(), stored.end(), flags.begin());
        loadValues(*key);
    }

    // The eighteen flags, in byte order, each through its reaction.
    const auto buttons = flagButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const bool on = flags[i] != 0;
        // The pair's other half first, so that each of the two reacts as to a user's click.
        if (buttons[i] == CMPMethod2)
            CMPMethod1->setChecked(!on);
        buttons[i]->setChecked(on);
    }
    showLoadedState();
}

// The folder list with its reference folders, the database list and the exclusions.
void OptionPages::loadSearchLists(const SettingsKey &key)
{
    loadList(key, "Paths", "SelectedPaths", DirList);
    // Reference folders are named beside the folder list, not marked in it: a file from
    // before them reads as it did, a program from before them still reads "Paths", and a
    // list changed by such a program marks no other folder.
    std::string text;
    if (key.readString("ReferencePaths", text)) {
        const std::vector<std::string> refs = platform::DecodeCommaList(text);
        for (int i = 0; i < DirList->count(); ++i)
            if (std::find(refs.begin(), refs.end(), platform::ItemPath(DirList->item(i))) !=
                refs.end())
                setReference(DirList->item(i), true);
    }
    loadList(key, "Files", "SelectedFiles", CRCFileList);
    if (key.readString("Exclusions", text)) {
        ExcludeList->clear();
        for (const std::string &pattern : platform::DecodeCommaList(text))
            ExcludeList->addItem(platform::NewPathItem(pattern));
    }
}

// The fields, the visual page's values and the settings added after the flags.
void OptionPages::loadValues(const SettingsKey &key)
{
    loadText(key, "Mask", MaskEdit);
    loadPath(key, "TargetDir", MoveDir);
    loadPath(key, "CRCFileSave", CRCFileSave);
    std::string lang;
    if (key.readString("CurrentLang", lang) || !key.hasValue("CurrentLang"))
        m_lang.CurrentLang = QString::fromUtf8(lang);
    int v = 0;
    QDoubleSpinBox *const acc[] = {Acc1, Acc2, Acc3, Acc4};
    const char *const accNames[] = {"Acc1", "Acc2", "Acc3", "Acc4"};
    for (int i = 0; i < 4; ++i)
        if (loadInt(key, accNames[i], v))
            acc[i]->setValue(v); // the field keeps the value within its range
    if (loadInt(key, "Preview", v))
        m_previewMode = v;
    // Not among the flags an older settings file holds: missing means on.
    if (loadInt(key, "RememberChecksums", v))
        RememberChecksums->setChecked(v != 0);
    if (loadInt(key, "Resizing", v))
        Resizing->setValue(v);
    if (loadInt(key, "Splitting", v))
        Splitting->setValue(v);
    if (loadInt(key, "DeleteMethod", v))
        m_deleteMode = v;
    std::uint32_t size = 0;
    if (key.readDword("Min", size))
        MinSize->setValue(size);
    if (key.readDword("Max", size))
        MaxSize->setValue(size);
    if (loadInt(key, "Color1", v))
        Color1->setPosition(v);
    if (loadInt(key, "Color2", v))
        Color2->setPosition(v);
    if (loadInt(key, "ChartColor", v))
        ChartColor->setPosition(v);
    // Later additions: a file from before them keeps the defaults.
    if (loadInt(key, "CameraOrientation", v))
        CameraOrientation->setChecked(v != 0);
    if (loadInt(key, "FindRotations", v))
        FindRotations->setChecked(v != 0);
    if (loadInt(key, "LargestGroupsFirst", v))
        LargestFirst->setChecked(v != 0);
    if (loadInt(key, "RemoveEmptyFolders", v))
        RemoveEmptyFolders->setChecked(v != 0);
}

// Every page shows what was loaded, through the same reactions a user's changes run.
void OptionPages::showLoadedState()
{
    UpdateDeleteMode();
    Q_EMIT foldersChanged();
    CRCClick();
    MinSizeCClick();
    VisualCMPClick();
    Q_EMIT languageChanged();
    PreviewClick();
    QRadioButton *const previews[] = {Preview1, Preview2, Preview3, Preview4};
    if (m_previewMode >= 0 && m_previewMode <= 3)
        previews[m_previewMode]->setChecked(true);
    else
        for (QRadioButton *r : previews)
            r->setChecked(false);
}

bool OptionPages::SaveSettings(const std::string &path)
{
    std::array<std::uint8_t, kFlagsSize> flags{};
    const auto buttons = flagButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        flags[i] = buttons[i]->isChecked() ? 1 : 0;

    auto key = SettingsKey::create(path);
    if (!key)
        return true; // no place for settings: nothing is written, nobody is told
    saveList(*key, "Paths", "SelectedPaths", DirList);
    std::vector<std::string> references, exclusions;
    for (int i = 0; i < DirList->count(); ++i)
        if (isReference(DirList->item(i)))
            references.push_back(platform::ItemPath(DirList->item(i)));
    key->writeString("ReferencePaths", platform::EncodeCommaList(references));
    saveList(*key, "Files", "SelectedFiles", CRCFileList);
    key->writeBinary("Setings", flags);
    key->writeString("Mask", utf8Of(MaskEdit->text()));
    key->writeString("TargetDir", platform::FieldPath(MoveDir));
    key->writeString("CRCFileSave", platform::FieldPath(CRCFileSave));
    key->writeString("CurrentLang", utf8Of(m_lang.CurrentLang));
    key->writeDword("DeleteMethod", static_cast<std::uint32_t>(m_deleteMode));
    key->writeDword("Color1", static_cast<std::uint32_t>(Color1->currentIndex()));
    key->writeDword("Color2", static_cast<std::uint32_t>(Color2->currentIndex()));
    key->writeDword("ChartColor", static_cast<std::uint32_t>(ChartColor->currentIndex()));
    key->writeDword("Min", storedWhole(MinSize->value()));
    key->writeDword("Max", storedWhole(MaxSize->value()));
    key->writeDword("Resizing", static_cast<std::uint32_t>(Resizing->value()));
    key->writeDword("Splitting", static_cast<std::uint32_t>(Splitting->value()));
    key->writeDword("Acc1", storedWhole(Acc1->value()));
    key->writeDword("Acc2", storedWhole(Acc2->value()));
    key->writeDword("Acc3", storedWhole(Acc3->value()));
    key->writeDword("Acc4", storedWhole(Acc4->value()));
    key->writeDword("Preview", static_cast<std::uint32_t>(m_previewMode));
    key->writeDword("RememberChecksums", RememberChecksums->isChecked() ? 1 : 0);
    key->writeDword("CameraOrientation", CameraOrientation->isChecked() ? 1 : 0);
    key->writeDword("FindRotations", FindRotations->isChecked() ? 1 : 0);
    for (int i = 0; i < ExcludeList->count(); ++i)
        exclusions.push_back(platform::ItemPath(ExcludeList->item(i)));
    key->writeString("Exclusions", platform::EncodeCommaList(exclusions));
    key->writeDword("LargestGroupsFirst", LargestFirst->isChecked() ? 1 : 0);
    key->writeDword("RemoveEmptyFolders", RemoveEmptyFolders->isChecked() ? 1 : 0);
    // The values reach the disk together, in one atomic replacement of the file; when that
    // fails, none of them did, starting with the first.
    if (const platform::FileWriteResult saved = key->save(); !saved) {
        const QString reason = saved.error == platform::kNotRegularFile
                                   ? GetString("strNotRegular", "Not a regular file")
                                   : QString::fromLocal8Bit(saved.message);
        Dialogs::instance().error(m_window, GetString("strError", "Error"),
                                  GetString("strSetData", "Failed to set data for '%s'")
                                          .replace(QStringLiteral("%s"), QStringLiteral("Paths")) +
                                      QStringLiteral("\n") + reason);
        return false;
    }
    return true;
}

} // namespace twinly
