// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_host.h"

#include "dialogs.h"
#include "multi_language.h"
#include "option_pages.h"
#include "preview_panel.h"

#include <QWidget>

namespace twinly {

void WindowListHost::pushPreviewStyle()
{
    const OptionPages::PreviewStyle style = m_parts.options->previewStyle();
    m_parts.preview->setChartStyle(style.chartThreeD, style.chartLine, style.pictureBehindChart);
    m_parts.preview->setUpright(style.upright);
}

QString WindowListHost::GetString(const char *key, const char *builtIn) const
{
    return m_parts.lang->GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
}

void WindowListHost::error(const QString &caption, const QString &text)
{
    Dialogs::instance().error(m_parts.window, caption, text);
}

bool WindowListHost::question(const QString &caption, const QString &text, bool defaultYes)
{
    return Dialogs::instance().question(m_parts.window, caption, text, defaultYes);
}

bool WindowListHost::getText(const QString &caption, const QString &prompt, QString &text)
{
    return Dialogs::instance().getText(m_parts.window, caption, prompt, text);
}

bool WindowListHost::chooseDestination(const QString &caption, std::string &folder)
{
    return Dialogs::instance().chooseDestination(m_parts.window, caption, *m_parts.settingsPath,
                                                 folder);
}

void WindowListHost::fileContextMenu(const QPoint &point, const std::string &path)
{
    Dialogs::instance().fileContextMenu(m_parts.window, point, path);
}

bool WindowListHost::chooseItem(const QString &caption, const QString &prompt,
                                const QStringList &items, int &index)
{
    return Dialogs::instance().chooseItem(m_parts.window, caption, prompt, items, index);
}

bool WindowListHost::chooseSelectionRule(SelectionRule &rule)
{
    return Dialogs::instance().chooseSelectionRule(
        m_parts.window,
        [this](const char *key, const char *builtIn) { return GetString(key, builtIn); }, rule);
}

QString WindowListHost::chooseSaveFile(const QString &filter)
{
    return Dialogs::instance().chooseSaveFile(m_parts.window, QString(), filter);
}

std::string WindowListHost::settingsPath() const
{
    return *m_parts.settingsPath;
}

int WindowListHost::deleteMode() const
{
    return m_parts.options->deleteMode();
}

std::string WindowListHost::keepingFolderText() const
{
    return m_parts.options->keepingFolderText();
}

bool WindowListHost::confirmDelete() const
{
    return m_parts.options->confirmDelete();
}

bool WindowListHost::confirmDeleteAll() const
{
    return m_parts.options->confirmDeleteAll();
}

bool WindowListHost::programMenuOnShift() const
{
    return m_parts.options->programMenuOnShift();
}

void WindowListHost::setBusy(bool busy)
{
    m_parts.toolBar->setEnabled(!busy);
    m_parts.pages->setEnabled(!busy);
    m_parts.list->setUpdatesEnabled(!busy);
}

QString WindowListHost::showPreview(const TFileData &record)
{
    pushPreviewStyle();
    return m_parts.preview->showRecord(record);
}

bool WindowListHost::deleteRunEnded()
{
    if (!*m_parts.closePending)
        return false;
    m_parts.window->close();
    return true;
}

bool WindowListHost::removeFoldersLeftEmpty() const
{
    return m_parts.options->removeFoldersLeftEmpty();
}

std::vector<std::string> WindowListHost::searchListFolders() const
{
    return m_parts.options->searchListFolders();
}

} // namespace twinly
