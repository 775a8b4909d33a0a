// SPDX-License-Identifier: GPL-3.0-or-later
#include "path_fields.h"

#include "dir_lister.h"
#include "path_text.h"
#include "text.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QVariant>

namespace twinly::platform {

namespace {

constexpr char kBytesProperty[] = "twinlyPathBytes";

std::string utf8Of(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

} // namespace

QListWidgetItem *NewPathItem(std::string_view bytes)
{
    auto *item = new QListWidgetItem(DisplayPath(bytes));
    item->setData(Qt::UserRole, PathBytes(bytes));
    return item;
}

std::string ItemPath(const QListWidgetItem *item)
{
    const QVariant kept = item->data(Qt::UserRole);
    if (kept.typeId() == QMetaType::QByteArray)
        return PathFromBytes(kept.toByteArray());
    return PathFromUserText(item->text());
}

void SetFieldPath(QLineEdit *field, std::string_view bytes)
{
    field->setProperty(kBytesProperty, PathBytes(bytes));
    field->setText(DisplayPath(bytes));
}

std::string FieldPath(const QLineEdit *field)
{
    const QVariant kept = field->property(kBytesProperty);
    if (kept.typeId() == QMetaType::QByteArray) {
        std::string bytes = PathFromBytes(kept.toByteArray());
        if (DisplayPath(bytes) == field->text())
            return bytes;
    }
    return PathFromUserText(field->text());
}

bool SamePathIgnoringCase(std::string_view a, std::string_view b)
{
    if (IsValidUtf8(a) && IsValidUtf8(b))
        return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
                   .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                            Qt::CaseInsensitive) == 0;
    return EqualsIgnoringAsciiCase(a, b);
}

std::optional<std::string> PathFromDialog(const QString &chosen)
{
    constexpr QChar kReplacement(0xFFFD);
    if (!chosen.contains(kReplacement))
        return utf8Of(chosen);
    std::string path;
    const QStringList parts = chosen.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (i > 0)
            path.push_back('/');
        if (!part.contains(kReplacement)) {
            path += utf8Of(part);
            continue;
        }
        // The dialogs read names with the toolkit's own decoding; the same decoding tells
        // which names of the folder this part can stand for.
        const std::string folder = path.size() > 1 ? path.substr(0, path.size() - 1) : path;
        std::vector<std::string> matches;
        Directory::openPath(folder.empty() ? std::string(".") : folder)
            .forEach([&](std::string_view name, EntryKind) {
                if (QFile::decodeName(
                        QByteArray(name.data(), static_cast<qsizetype>(name.size()))) == part)
                    matches.emplace_back(name);
                return matches.size() < 2;
            });
        if (matches.size() > 1)
            return std::nullopt;
        path += matches.empty() ? utf8Of(part) : matches.front();
    }
    return path;
}

} // namespace twinly::platform
