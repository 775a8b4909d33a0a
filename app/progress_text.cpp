// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress_text.h"

#include "multi_language.h"
#include "scanner.h"
#include "status_panels.h"
#include "totals.h"

#include <QLocale>

namespace twinly {

namespace {

QString text(const TMultiLang &lang, const char *key, const char *builtIn)
{
    return lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
}

QString number(std::uint64_t n)
{
    return QLocale().toString(static_cast<qulonglong>(n));
}

// "1 file", "80 files": the number with its noun, as the language says it.
QString files(const TMultiLang &lang, std::uint64_t n)
{
    return n == 1 ? text(lang, "strOneFile", "1 file")
                  : text(lang, "strFiles", "%1 files").arg(number(n));
}

QString groups(const TMultiLang &lang, std::uint64_t n)
{
    return n == 1 ? text(lang, "strOneGroup", "1 group")
                  : text(lang, "strGroups", "%1 groups").arg(number(n));
}

QString withTimeLeft(const TMultiLang &lang, QString line, std::optional<std::chrono::seconds> left)
{
    if (left)
        line += QStringLiteral(", ") +
                text(lang, "strLeft", "%1 left").arg(QString::fromStdString(TimeLeftText(*left)));
    return line;
}

bool reading(const ScanProgress::Counts &c)
{
    return c.reading && c.filesToRead > 0;
}

} // namespace

QString CountsLine(const TMultiLang &lang, const ScanProgress::Counts &counts,
                   std::optional<std::chrono::seconds> left)
{
    if (!reading(counts))
        return text(lang, "strFound", "%1 found").arg(files(lang, counts.filesFound));
    return withTimeLeft(lang,
                        text(lang, "strFilesRead", "%1 of %2 files read, %3 of %4")
                            .arg(number(counts.filesRead), number(counts.filesToRead),
                                 SizeText(counts.bytesRead), SizeText(counts.bytesToRead)),
                        left);
}

QString CountsShort(const TMultiLang &lang, const ScanProgress::Counts &counts,
                    std::optional<std::chrono::seconds> left)
{
    if (!reading(counts))
        return text(lang, "strFound", "%1 found").arg(files(lang, counts.filesFound));
    return withTimeLeft(lang,
                        text(lang, "strReadShort", "%1/%2 files")
                            .arg(number(counts.filesRead), number(counts.filesToRead)),
                        left);
}

QString SearchSummary(const TMultiLang &lang, const SearchResult &result, bool listing,
                      std::uint64_t filesFound)
{
    const auto rows = static_cast<std::uint64_t>(result.FileList.size());
    if (listing)
        return files(lang, rows);
    const std::uint64_t found = GroupCount(result);
    if (found == 0)
        return text(lang, "strNoDuplicates", "No duplicates found in %1")
            .arg(files(lang, filesFound));
    return text(lang, "strSummary", "%1, %2, %3 in redundant copies")
        .arg(groups(lang, found), files(lang, rows), SizeText(RedundantBytes(result)));
}

} // namespace twinly
