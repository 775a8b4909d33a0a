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
