// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_view.h"
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "results_model.h"
#include "temp_tree.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <unistd.h>

using namespace twinly;
using namespace twinly::test;

class TestPreview : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    TempTree m_tree;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<FakeDialogs> m_dialogs;

    TForm1 *w() { return m_window.get(); }
    std::string picture(const char *name, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(200, 100, 50));
        const std::string path = m_tree.path(name);
        if (!image.save(QString::fromStdString(path)))
            qFatal("cannot write a picture");
        return path;
    }
    // One row per path; the rows form one group.
    template<typename... Records> void show(Records &&...records)
    {
        FileList list;
        (list.push_back(std::forward<Records>(records)), ...);
        w()->results()->fill(std::move(list), RowBand(list.size() + 8, 1));
    }
    static TFileData record(const std::string &path)
    {
        const auto slash = path.rfind('/');
        return TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1), 1, 0);
    }
    void select(int row)
    {
        auto *list = child<QTreeView>(w(), "List");
        list->setCurrentIndex(QModelIndex()); // selecting the same row again shows it anew
        list->setCurrentIndex(w()->results()->index(row, 0));
    }
    QWidget *panel() { return child(w(), "Panel3"); }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(m_config.filePath(QStringLiteral("p.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
    }
    void cleanup()
    {
        m_window.reset();
        m_dialogs.reset();
    }

    void fittedPicturesAreNeverEnlargedAndAreCentred()
    {
        show(record(picture("small.bmp", 100, 50)), record(picture("wide.bmp", 1000, 500)));
        child<QRadioButton>(w(), "Preview2")->setChecked(true);
        panel()->resize(400, 400);
        select(0);
        auto *image = child<QLabel>(w(), "Image1");
        QCOMPARE(image->geometry(), QRect(150, 175, 100, 50));
        panel()->resize(196, 284);
        select(1);
        QCOMPARE(image->geometry(), QRect(0, 93, 196, 98));
        QVERIFY(child(w(), "Memo2")->isHidden());
    }

    void originalSizeIsCentredAndPansWithinItsBounds()
    {
        show(record(picture("big.bmp", 2000, 1500)));
        child<QRadioButton>(w(), "Preview1")->setChecked(true);
        panel()->resize(196, 284);
        select(0);
        auto *image = child<QLabel>(w(), "Image1");
        QCOMPARE(image->pos(), QPoint(-902, -608));
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(1000, 700));
        QTest::mouseMove(image, QPoint(1010, 700));
        QCOMPARE(image->pos(), QPoint(-892, -608));
        // Not past the left edge...
        QTest::mouseMove(image, QPoint(1000 + 892 + 50, 700));
        QCOMPARE(image->x(), -892);
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(1010, 700));
        // ...and the right edge may stop one pixel beyond the panel.
        image->move(-1803, -608);
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(image, QPoint(99, 100));
        QCOMPARE(image->x(), -1803);
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(99, 100));
    }

    void textBinaryAndDatabaseRows()
    {
        m_tree.createFile("notes.txt", "first line\nsecond line\n");
        m_tree.createFile("data.bin", std::string("AB\0CD", 5));
        show(record(m_tree.path("notes.txt")), record(m_tree.path("data.bin")),
             TFileData::databaseEntry(3, 4, 0));
        auto *memo = child<QPlainTextEdit>(w(), "Memo2");
        select(0);
        QCOMPARE(memo->toPlainText(), QStringLiteral("first line\nsecond line\n"));
        QVERIFY(!memo->isHidden());
        select(1);
        QVERIFY(memo->toPlainText().startsWith(QStringLiteral("00000000  41 42 00 43 44")));
        select(2);
        QVERIFY(memo->toPlainText().isEmpty());
    }

    // A file that cannot be read is reported, and the text view keeps what it showed.
    void unreadableTextLeavesThePreviousText()
    {
        m_tree.createFile("kept.txt", "still here\n");
        m_tree.createFile("gone.txt", "never shown");
        show(record(m_tree.path("kept.txt")), record(m_tree.path("gone.txt")));
        auto *memo = child<QPlainTextEdit>(w(), "Memo2");
        select(0);
        ::unlink(m_tree.path("gone.txt").c_str());
        select(1);
        QCOMPARE(m_dialogs->errors.size(), 1);
        QCOMPARE(memo->toPlainText(), QStringLiteral("still here\n"));
        QVERIFY(!memo->isHidden());
    }

    // The preview reads the file the row names, by its bytes, not the one whose name reads the
    // same once decoded.
    void filesWhoseNamesAreNotUtf8AreShown()
    {
        m_tree.createFile("caf\xE9.txt", "the latin name");
        m_tree.createFile("caf\xEF\xBF\xBD.txt", "the lookalike");
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "BMP"));
        m_tree.createFile("p\xE9.bmp", std::string(bmp.constData(), bmp.size()));
        show(record(m_tree.path("caf\xE9.txt")), record(m_tree.path("caf\xEF\xBF\xBD.txt")),
             record(m_tree.path("p\xE9.bmp")));
        auto *memo = child<QPlainTextEdit>(w(), "Memo2");
        select(0);
        QCOMPARE(memo->toPlainText(), QStringLiteral("the latin name"));
        select(1);
        QCOMPARE(memo->toPlainText(), QStringLiteral("the lookalike"));
        child<QRadioButton>(w(), "Preview1")->setChecked(true);
        select(2);
        QCOMPARE(child<QLabel>(w(), "Image1")->pixmap().size(), QSize(30, 20));
        QVERIFY(m_dialogs->errors.isEmpty());
        // Gone meanwhile: the error names the file as the list shows it.
        ::unlink(m_tree.path("caf\xE9.txt").c_str());
        select(0);
        QCOMPARE(m_dialogs->errors, QStringList{QStringLiteral("Error: Cannot read the file ") +
                                                QString::fromStdString(m_tree.path("")) +
                                                QStringLiteral("caf\\xE9.txt")});
    }

    void damagedPictureShowsAnErrorAndNothingBreaks()
    {
        m_tree.createFile("broken.jpg", "not a jpeg at all");
        show(record(m_tree.path("broken.jpg")));
        child<QRadioButton>(w(), "Preview1")->setChecked(true);
        select(0);
        QCOMPARE(m_dialogs->errors.size(), 1);
        child<QRadioButton>(w(), "Preview3")->setChecked(true);
        select(0);
        QCOMPARE(m_dialogs->errors.size(), 2);
    }

    void resizedImageAndChartShowWhatTheSignatureSaw()
    {
        show(record(picture("a.bmp", 640, 480)), record(picture("b.bmp", 320, 240)));
        // A visual search would have made these; the preview reads them from the records.
        auto &first = const_cast<TFileData &>(w()->results()->record(0));
        first.Signature = std::make_unique<ImageSignature>();
        first.Signature->ResizedSize = 300;
        first.Signature->SquareCount = 400;
        first.Signature->SquareValues.assign(400, 7);
        child<QRadioButton>(w(), "Preview3")->setChecked(true);
        select(0);
        auto *image = child<QLabel>(w(), "Image1");
        QCOMPARE(image->pixmap().size(), QSize(300, 300));
        child<QRadioButton>(w(), "Preview4")->setChecked(true);
        select(1);
        select(0);
        auto *chart = child<ChartView>(w(), "Chart");
        QVERIFY(!chart->isHidden());
        QVERIFY(image->isHidden());
        QCOMPARE(chart->values().size(), std::size_t(400));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
