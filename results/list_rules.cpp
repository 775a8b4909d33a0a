// SPDX-License-Identifier: GPL-3.0-or-later
// Checking by rule, turning the checks over group by group, saving the list, and the refusal
// every command gives an original.
#include "list_commands.h"

#include "atomic_file.h"
#include "path_text.h"
#include "report.h"
#include "results_model.h"
#include "settings_store.h"

#include <sstream>

namespace twinly {

namespace {
constexpr std::string_view kSelectRuleValue = "SelectRule";
}

bool ListCommands::refuseReference(const TFileData &d)
{
    if (!d.Reference)
        return false;
    m_host.error(GetString("strError", "Error"),
                 GetString("strReference", "The file lies in a reference folder: an original is "
                                           "never deleted, moved, renamed or replaced.\n%s")
                     .replace(QStringLiteral("%s"), platform::DisplayPath(d.FullName)));
    return true;
}

bool ListCommands::anyReference(const std::vector<int> &rows) const
{
    for (const int r : rows)
        if (m_model->record(r).Reference)
            return true;
    return false;
}

SelectionRule ListCommands::storedSelectionRule() const
{
    std::string text;
    if (const auto key = platform::SettingsKey::open(m_host.settingsPath());
        key && key->readString(kSelectRuleValue, text))
        if (const auto rule = ParseSelectionRule(text))
            return *rule;
    return {KeepRule::First, {}};
}

void ListCommands::SelectByRuleClick()
{
    if (m_deleter || m_model->size() == 0)
        return;
    SelectionRule rule = storedSelectionRule();
    if (!m_host.chooseSelectionRule(rule))
        return;
    // Kept at once, like the destination history: the choice outlives a crash of the window.
    if (auto key = platform::SettingsKey::create(m_host.settingsPath())) {
        key->writeString(kSelectRuleValue, SelectionRuleText(rule));
        if (const platform::FileWriteResult saved = key->save(); !saved)
            m_host.error(GetString("strError", "Error"),
                         GetString("strRuleNotKept", "The rule chosen could not be kept in the "
                                                     "settings: %s")
                             .replace(QStringLiteral("%s"), QString::fromStdString(saved.message)));
    }
    m_model->setCheckMarks(SelectByRule(m_model->records(), m_model->groups(), rule));
}

void ListCommands::UnselectAllClick()
{
    if (!m_deleter)
        m_model->setCheckMarks({});
}

void ListCommands::InvertGroupsClick()
{
    if (!m_deleter)
        m_model->setCheckMarks(
            InvertWithinGroups(m_model->records(), m_model->groups(), m_model->checkMarks()));
}

QString ListCommands::SaveList(const std::string &path) const
{
    const bool json =
        path.size() >= 5 && QString::fromLatin1(path.substr(path.size() - 5))
                                    .compare(QStringLiteral(".json"), Qt::CaseInsensitive) == 0;
    RowBand bands;
    bands.reserve(static_cast<std::size_t>(m_model->size()));
    for (int i = 0; i < m_model->size(); ++i)
        bands.push_back(m_model->band(i));
    const std::vector<std::uint32_t> groups = m_model->groups();
    const std::vector<std::uint8_t> marks = m_model->checkMarks();
    std::ostringstream out;
    WriteReport(out, json ? ReportFormat::Json : ReportFormat::Csv,
                ReportRows{m_model->records(), bands, groups, marks, "checked"});
    if (const platform::FileWriteResult r = platform::WriteFileAtomically(path, out.str()); !r)
        return GetString("strListNotSaved", "The list could not be saved:\n%s")
                   .replace(QStringLiteral("%s"), platform::DisplayPath(path)) +
               QLatin1Char('\n') + QString::fromStdString(r.message);
    return {};
}

void ListCommands::SaveListClick()
{
    const QString chosen =
        m_host.chooseSaveFile(GetString("strListFilter", "CSV files (*.csv);;JSON files (*.json)"));
    if (chosen.isEmpty())
        return;
    std::string path = platform::PathFromUserText(chosen);
    // A name without an extension gets the one of the default format.
    const auto slash = path.rfind('/');
    if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
        path += ".csv";
    if (const QString problem = SaveList(path); !problem.isEmpty())
        m_host.error(GetString("strError", "Error"), problem);
}

} // namespace twinly
