// SPDX-License-Identifier: GPL-3.0-or-later
#include "open_file.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace twinly::platform {

int ShellOpen(const std::string &path)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (!QFile::exists(name))
        return 2;
    // fromLocalFile keeps '#' and '?' in names as part of the path.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(name)) ? 42 : 31;
}

} // namespace twinly::platform
