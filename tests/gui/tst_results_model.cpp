// SPDX-License-Identifier: GPL-3.0-or-later
#include "dos_time.h"
#include "results_model.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QTest>

using namespace twinly;

class TestResultsModel : public QObject {
    Q_OBJECT

    static FileList rows(int n)
    {
        FileList list;
        for (int i = 0; i < n; ++i)
            list.push_back(TFileData::onDisk("/d", "f" + std::to_string(i), i, 0));
        return list;
    }

private Q_SLOTS:
    void removeRowKeepsRecordsBandsAndChecksTogether()
    {
        ResultsModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const RowBand bands{1, 1, 0, 0, 1, 1};
        m.fill(rows(6), bands);
        m.setChecked(3, true);
        // Removing the whole second group leaves the first and third in one colour, adjacent.
        m.RemoveRow(2);
        m.RemoveRow(2);
        QCOMPARE(m.rowCount(), 4);
        QCOMPARE(m.band(1), 1);
        QCOMPARE(m.band(2), 1);
        QCOMPARE(m.record(2).FileName(), std::string_view("f4"));
        QVERIFY(!m.isChecked(2));
        m.RemoveRow(99); // out of range: nothing
        QCOMPARE(m.rowCount(), 4);
    }

    void groupNumbersAndRowIdsOutliveRemovals()
    {
        ResultsModel m;
        // Groups of two, one and three rows; bands 1, 0, 1.
        m.fill(rows(6), RowBand{1, 1, 0, 1, 1, 1}, {0, 0, 1, 2, 2, 2});
        const std::uint64_t idOfF4 = m.rowId(4);
        QCOMPARE(m.groupRange(4), std::make_pair(3, 6));
        m.RemoveRow(2); // the middle group leaves: bands 1 meet, the groups stay two
        QCOMPARE(m.band(1), m.band(2));
        QCOMPARE(m.groupRange(0), std::make_pair(0, 2));
        QCOMPARE(m.groupRange(2), std::make_pair(2, 5));
        QCOMPARE(m.rowOfId(idOfF4), 3);
        QCOMPARE(m.record(m.rowOfId(idOfF4)).FileName(), std::string_view("f4"));
        m.RemoveRow(3);
        QCOMPARE(m.rowOfId(idOfF4), -1);
        // A new search gives new ids: none of the old rows is found among them.
        m.fill(rows(2), RowBand{1, 1}, {0, 0});
        QCOMPARE(m.rowOfId(idOfF4), -1);
        QVERIFY(m.rowId(0) > idOfF4);

        // Rows made without group numbers: each run of a band is a group.
        m.fill(rows(5), RowBand{1, 1, 0, 1, 1});
        QCOMPARE(m.groupRange(1), std::make_pair(0, 2));
        QCOMPARE(m.groupRange(2), std::make_pair(2, 3));
        QCOMPARE(m.groupRange(3), std::make_pair(3, 5));
    }

    void colourChangeRepaintsEveryRowOfABand()
    {
        ResultsModel m;
        m.fill(rows(3), RowBand{1, 1, 0});
        m.setBandColors(Qt::blue, Qt::yellow);
        QCOMPARE(m.index(0, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::blue));
        QCOMPARE(m.index(2, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
        QCOMPARE(m.band(2), 0);
    }

    void columnsShowSizeTimeAndSignedCrc()
    {
        TFileData d = TFileData::onDisk("/d", "f", 1234567890123, 0);
        QCOMPARE(ResultsModel::sizeText(d), QStringLiteral("1234567890123"));
        QCOMPARE(ResultsModel::crcText(d), QString()); // not computed
        d.CrcKnown = true;
        QCOMPARE(ResultsModel::crcText(d), QString()); // zero
        d.CRC = 0xCBF43926u;
        QCOMPARE(ResultsModel::crcText(d), QStringLiteral("-873187034"));
        QCOMPARE(ResultsModel::timeText(0), QString());
        const QLocale locale;
        const DosTime midnight = PackDosFields({2024, 3, 5, 0, 0, 0});
        QCOMPARE(ResultsModel::timeText(midnight),
                 locale.toString(QDate(2024, 3, 5), QLocale::ShortFormat));
        const DosTime afternoon = PackDosFields({2024, 3, 5, 14, 7, 8});
        QCOMPARE(ResultsModel::timeText(afternoon),
                 locale.toString(QDate(2024, 3, 5), QLocale::ShortFormat) + QLatin1Char(' ') +
                     locale.toString(QTime(14, 7, 8), QLocale::LongFormat));
    }

    void setFullNameMovesCaptionAndRecordTogether()
    {
        ResultsModel m;
        m.fill(rows(1), RowBand{1});
        m.setFullName(0, "/elsewhere/new name");
        QCOMPARE(m.index(0, 0).data().toString(), QStringLiteral("/elsewhere/new name"));
        QCOMPARE(m.record(0).FileName(), std::string_view("new name"));
        QCOMPARE(m.record(0).DirName(), std::string_view("/elsewhere"));
    }
};

QTEST_MAIN(TestResultsModel)
#include "tst_results_model.moc"
