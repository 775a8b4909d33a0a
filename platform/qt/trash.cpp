// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_ops.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace twinly::platform {

bool MoveToTrash(const std::string &path, std::string &error, std::string *trashedPath)
{
    // Qt 6.4 reports success but drops the file into ./files of the working folder when the
    // user's data folder does not exist yet (a fresh account): make it first, and accept only a
    // result that really lies in a trash.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty())
        QDir().mkpath(dataHome);
    QString where;
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (!QFile::moveToTrash(name, &where)) {
        error = "No trash can take '" + path + "'";
        return false;
    }
    static const QRegularExpression trashFolder(
        QStringLiteral("/(Trash|\\.Trash-\\d+|\\.Trash/\\d+)/files/[^/]+$"));
    if (!trashFolder.match(where).hasMatch()) {
        // Put it back where it was; it never belonged there.
        QFile::rename(where, name);
        error = "No trash can take '" + path + "'";
        return false;
    }
    if (trashedPath)
        *trashedPath = QFile::encodeName(where).toStdString();
    return true;
}

} // namespace twinly::platform
