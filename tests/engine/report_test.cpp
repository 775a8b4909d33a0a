// SPDX-License-Identifier: GPL-3.0-or-later
#include "grouping.h"
#include "report.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace twinly;

namespace {

FileList threeRows()
{
    FileList rows;
    rows.push_back(TFileData::onDisk("/a", "one", 3, 0));
    rows.push_back(TFileData::onDisk("/b", "one", 3, 0));
    rows.push_back(TFileData::onDisk("/c", "two", 5, 0));
    rows[1].Reference = true;
    return rows;
}

std::string write(ReportFormat format, const ReportRows &rows)
{
    std::ostringstream out;
    WriteReport(out, format, rows);
    return out.str();
}

} // namespace

TEST(Report, GroupsComeFromNumbersOrElseFromBandsAndMarksTakeTheirName)
{
    const FileList rows = threeRows();
    const RowBand bands{1, 1, 0};
    const std::vector<std::uint8_t> checked{1, 0, 0};
    // The desktop program's rows: no group numbers kept, checked state as the mark.
    const std::string csv =
        write(ReportFormat::Csv, ReportRows{rows, bands, {}, checked, "checked"});
    EXPECT_EQ(csv, "band,path,size,time,crc,group,reference,checked\n"
                   "1,/a/one,3,,,1,0,1\n"
                   "1,/b/one,3,,,1,1,0\n"
                   "0,/c/two,5,,,2,0,0\n");
    // Numbers win over bands: rows next to each other with one band can be two groups.
    const std::vector<std::uint32_t> groups{4, 8, 8};
    const std::string json =
        write(ReportFormat::Json, ReportRows{rows, RowBand{1, 1, 1}, groups, {}});
    EXPECT_EQ(json, "[\n"
                    " {\"band\":1,\"path\":\"/a/one\",\"size\":3,\"time\":null,\"crc\":null,"
                    "\"group\":1,\"reference\":false},\n"
                    " {\"band\":1,\"path\":\"/b/one\",\"size\":3,\"time\":null,\"crc\":null,"
                    "\"group\":2,\"reference\":true},\n"
                    " {\"band\":1,\"path\":\"/c/two\",\"size\":5,\"time\":null,\"crc\":null,"
                    "\"group\":2,\"reference\":false}\n"
                    "]\n");
    EXPECT_EQ(write(ReportFormat::Paths, ReportRows{rows, RowBand{1, 1, 1}, groups, {}}),
              "/a/one\n\n/b/one\n/c/two\n\n");
}

TEST(Report, ShellWordsSurviveEveryByte)
{
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellQuote("a\nb"), "'a\nb'");
    EXPECT_EQ(ShellQuote("-rf"), "'-rf'");
}
