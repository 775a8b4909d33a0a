// SPDX-License-Identifier: GPL-3.0-or-later
// What helps a user find their way about the window: folders picked or dropped join the list,
// paths and hints can be read, screen readers hear the right names and roles, rows stay
// readable in a dark theme, and the window opens where it can be seen.
#include "adv_form.h"
#include "color_list.h"
#include "connectivity.h"
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "path_fields.h"
#include "path_text.h"
#include "results_model.h"
#include "temp_tree.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeView>

#include <cmath>

using namespace twinly;
using namespace twinly::test;

namespace {

double luminance(const QColor &c)
{
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QUrl fileUrl(const std::string &path)
{
    return platform::FileUrlOf(path);
}

} // namespace

class TestWindowAids : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_window;

    TForm1 *w() { return m_window.get(); }
    QListWidget *dirList() { return child<QListWidget>(w(), "DirList"); }
    std::vector<std::string> folders()
    {
        std::vector<std::string> list;
        for (int i = 0; i < dirList()->count(); ++i)
            list.push_back(platform::ItemPath(dirList()->item(i)));
        return list;
    }
    // Sends a drag of `mime` over the folder list and drops it; true when the list took it.
    bool drop(QMimeData *mime)
    {
        showPageOf(dirList());
        QWidget *viewport = dirList()->viewport();
        const QPoint at = viewport->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        const bool entered = enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &dropped);
        return entered && dropped.isAccepted();
    }
    // Shows the hint of `widget` as resting the pointer at `pos` would.
    static void restPointer(QWidget *widget, const QPoint &pos)
    {
        QHelpEvent help(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
        QApplication::sendEvent(widget, &help);
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(m_config.filePath(QStringLiteral("aids.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
    }
    void cleanup()
    {
        QToolTip::hideText();
        m_window.reset();
        m_dialogs.reset();
    }

    void aFolderPickedWithTheBrowseButtonJoinsTheListAtOnce()
    {
        TempTree tree;
        const std::string photos = tree.createDir("photos");
        m_dialogs->folder = QString::fromStdString(photos);
        click(w(), "DirectoryEditBrowse");
        QCOMPARE(folders(), std::vector<std::string>{photos});
        QCOMPARE(dirList()->item(0)->checkState(), Qt::Checked);
        QVERIFY(child(w(), "GoBut")->isEnabled());
        // Picking it again adds nothing; cancelling the dialog adds nothing.
        click(w(), "DirectoryEditBrowse");
        m_dialogs->folder.clear();
        click(w(), "DirectoryEditBrowse");
        QCOMPARE(dirList()->count(), 1);
        // A path typed into the field still waits for the arrow button.
        const std::string music = tree.createDir("music");
        child<QLineEdit>(w(), "DirectoryEdit")->setText(QString::fromStdString(music));
        QCOMPARE(dirList()->count(), 1);
        click(w(), "AddDirBut");
        QCOMPARE(folders(), (std::vector<std::string>{photos, music}));
    }

    void localFoldersDroppedOnTheListAreAdded()
    {
        TempTree tree;
        const std::string a = tree.createDir("a");
        const std::string inner = tree.createDir("a/inner");
        const std::string latin = tree.createDir("caf\xE9"); // not UTF-8: its bytes must arrive
        const std::string file = tree.createFile("note.txt", "x");

        // Nothing to take: a file, a folder that is gone, a remote place.
        auto *nothing = new QMimeData;
        nothing->setUrls({fileUrl(file), fileUrl(tree.path("gone")),
                          QUrl(QStringLiteral("sftp://host/srv")),
                          QUrl(QStringLiteral("file://otherhost/srv"))});
        QVERIFY(!drop(nothing));
        delete nothing;
        QCOMPARE(dirList()->count(), 0);

        auto *mime = new QMimeData;
        mime->setUrls({fileUrl(a), fileUrl(file), fileUrl(inner), fileUrl(latin)});
        QVERIFY(drop(mime));
        delete mime;
        QCOMPARE(folders(), (std::vector<std::string>{a, inner, latin}));
        // As if added one by one: the folder inside an earlier one stays unchecked.
        QCOMPARE(dirList()->item(0)->checkState(), Qt::Checked);
        QCOMPARE(dirList()->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(dirList()->item(2)->checkState(), Qt::Checked);
        QVERIFY(child(w(), "GoBut")->isEnabled());
    }

    void longPathsInTheFolderListCanBeRead()
    {
        TempTree tree;
        const std::string deep =
            tree.createDir("a-rather-long-folder-name/holding/another-long-folder-name/Pictures");
        m_dialogs->folder = QString::fromStdString(deep);
        click(w(), "DirectoryEditBrowse");
        QListWidget *list = dirList();
        // At the window's smallest size a usual path fits.
        QVERIFY(list->viewport()->width() >=
                list->fontMetrics().horizontalAdvance(QStringLiteral("/home/user/Pictures/2024")));
        // Resting on the entry shows it whole; elsewhere the list's own hint.
        restPointer(list->viewport(), list->visualItemRect(list->item(0)).center());
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), platform::DisplayPath(deep));
        QToolTip::hideText();
        restPointer(list->viewport(), QPoint(5, list->viewport()->height() - 3));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Check in these folders."));
    }

    void saveDialogAddsTheExtensionToTheNameNotTheFolder()
    {
        TempTree tree;
        const std::string folder = tree.createDir("my.media");
        auto *field = child<QLineEdit>(w(), "CRCFileSave");
        click(w(), "CreateCRC");
        const struct {
            const char *typed;
            const char *saved;
        } cases[] = {{"/stick", "/stick.TWD"}, {"/stick.db", "/stick.db"}};
        for (const auto &c : cases) {
            m_dialogs->file = QString::fromStdString(folder) + QLatin1String(c.typed);
            click(w(), "CRCFileSaveBrowse");
            QCOMPARE(field->text(), QString::fromStdString(folder) + QLatin1String(c.saved));
        }
    }

    void radioButtonsAreAnnouncedAsRadioButtons()
    {
        for (const char *name : {"CheckDublicates", "CreateCRC", "Radio1", "Radio2", "Radio3",
                                 "SysMenu", "ProgramMenu", "Preview1", "CMPMethod1"}) {
            auto *radio = child<QRadioButton>(w(), name);
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(radio);
            QVERIFY2(a, name);
            QCOMPARE(a->role(), QAccessible::RadioButton);
            QCOMPARE(a->text(QAccessible::Name), radio->text().remove(QLatin1Char('&')));
            QVERIFY(a->state().checkable);
            QCOMPARE(bool(a->state().checked), radio->isChecked());
        }
        // A screen reader's press chooses the radio, and its group follows as for a click.
        showPageOf(child(w(), "CreateCRC"));
        QAccessibleInterface *create =
            QAccessible::queryAccessibleInterface(child(w(), "CreateCRC"));
        create->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(checked(w(), "CreateCRC"));
        QVERIFY(create->state().checked);
        QVERIFY(child(w(), "CRCFileSave")->isEnabled());
        create->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(checked(w(), "CreateCRC")); // a radio is not unchecked by pressing it again
    }

    void iconButtonsAndBlankTitledGroupsHaveNames()
    {
        int buttons = 0;
        for (QAbstractButton *b : w()->findChildren<QAbstractButton *>()) {
            const QString text = b->text();
            if ((!text.isEmpty() && text != QStringLiteral("...")) ||
                qobject_cast<QTabBar *>(b->parentWidget()))
                continue; // a caption names it; the tab bar's scroll arrows are Qt's own
            ++buttons;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
            QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(b->objectName()));
            QCOMPARE(a->text(QAccessible::Name), b->toolTip());
        }
        QVERIFY(buttons >= 14); // the tool bar, the list strip, both lists, the browse buttons
        // A language that replaces a hint renames the button with it.
        auto *go = child<QToolButton>(w(), "GoBut");
        go->setToolTip(QStringLiteral("Los."));
        QCOMPARE(QAccessible::queryAccessibleInterface(go)->text(QAccessible::Name),
                 QStringLiteral("Los."));
        child(w(), "DirectoryEdit")->setToolTip(QStringLiteral("Ordner"));
        QCOMPARE(QAccessible::queryAccessibleInterface(child(w(), "DirectoryEditBrowse"))
                     ->text(QAccessible::Name),
                 QStringLiteral("Ordner"));

        auto *group = child<QGroupBox>(w(), "GroupBox5");
        QVERIFY(group->title().trimmed().isEmpty());
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(group);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Compare CRC in DB"));
        QCOMPARE(a->role(), QAccessible::Grouping);
        child<QCheckBox>(w(), "CRCCompare")->setText(QStringLiteral("CRC in DB &vergleichen"));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("CRC in DB vergleichen"));
    }

    // Qt takes a hint away after ten seconds; here it stays while the pointer rests.
    void hintsStayWhileThePointerRests()
    {
        auto *options = child<QToolButton>(w(), "OptionBut");
        restPointer(options, options->rect().center());
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Configure options."));
        QTest::qWait(10600);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Configure options."));
    }

    void gaugeIsANavyBarOnTheButtonFaceWithoutBorder()
    {
        auto *gauge = child<QProgressBar>(w(), "Gauge1");
        gauge->setValue(50);
        gauge->show();
        const QImage image = gauge->grab().toImage();
        const QColor face = gauge->palette().color(QPalette::Button);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::darkBlue)); // the bar reaches the edge
        QCOMPARE(image.pixelColor(gauge->width() / 4, gauge->height() / 2), QColor(Qt::darkBlue));
        QCOMPARE(image.pixelColor(gauge->width() - 1, gauge->height() - 1), face);
        QCOMPARE(image.pixelColor(gauge->width() * 3 / 4, gauge->height() / 2), face);
        gauge->hide();
    }

    // Without a window manager nothing places the window: it places itself.
    void windowOpensAtTheCentreOfTheDesktop()
    {
        const QRect desktop = w()->screen()->availableGeometry();
        const QPoint offset = w()->frameGeometry().center() - desktop.center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }

    void rowTextIsReadableOnEveryBandInADarkPalette()
    {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Window, QColor(45, 45, 45));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        FileList list;
        list.push_back(TFileData::onDisk("/d", "one", 1, 0));
        list.push_back(TFileData::onDisk("/d", "two", 1, 0));
        w()->results()->fill(std::move(list), RowBand{1, 0});
        auto *view = child<QTreeView>(w(), "List");
        QAbstractItemModel *model = view->model();
        for (int position = 0; position < 16; ++position) {
            child<ColorList>(w(), "Color1")->setCurrentIndex(position);
            child<ColorList>(w(), "Color2")->setCurrentIndex(15 - position);
            for (int row = 0; row < 2; ++row) {
                const QModelIndex index = model->index(row, ResultsModel::SizeColumn);
                const QColor band = index.data(Qt::BackgroundRole).value<QColor>();
                const QVariant text = index.data(Qt::ForegroundRole);
                QVERIFY(text.isValid());
                QVERIFY2(contrast(band, text.value<QColor>()) >= 4.5,
                         qPrintable(band.name() + QLatin1Char(' ') + text.value<QColor>().name()));
            }
        }
        QApplication::setPalette(light);
    }

    void fileNameColumnTakesTheWidthTheWindowGives()
    {
        auto *view = child<QTreeView>(w(), "List");
        QHeaderView *header = view->header();
        auto othersWidth = [&] {
            int others = 0;
            for (int c = 1; c < header->count(); ++c)
                others += header->sectionSize(c);
            return others;
        };
        // At the smallest window the name keeps its first width and the list scrolls; a wider
        // list (the splitter moved) gives the name all the room the other columns leave.
        QVERIFY(header->sectionSize(ResultsModel::NameColumn) >= 200);
        w()->resize(1200, 700);
        child<QSplitter>(w(), "RxSplitter1")->setSizes({800, 400});
        QTRY_COMPARE(header->sectionSize(ResultsModel::NameColumn) + othersWidth(),
                     view->viewport()->width());
        QVERIFY(header->sectionSize(ResultsModel::NameColumn) > 200);
        QTRY_VERIFY(!view->horizontalScrollBar()->isVisible());
        // Widening another column takes its width from the name.
        const int before = header->sectionSize(ResultsModel::NameColumn);
        header->resizeSection(ResultsModel::TimeColumn,
                              header->sectionSize(ResultsModel::TimeColumn) + 40);
        QCOMPARE(header->sectionSize(ResultsModel::NameColumn), before - 40);
        // A long path loses its middle, keeping where it starts and the name it ends with.
        QCOMPARE(view->textElideMode(), Qt::ElideMiddle);
    }

    void bannerShowsAnEmptyTitleBarWithoutButtons()
    {
        platform::SetConnectivityCheck([] { return false; });
        TAdvertiseForm banner{QUrl()};
        const Qt::WindowFlags flags = banner.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & (Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                           Qt::WindowCloseButtonHint)));
        // An empty title would reach the window system as the program's name.
        QVERIFY(!banner.windowTitle().isEmpty());
        QVERIFY(banner.windowTitle().trimmed().isEmpty());
        banner.setWindowTitle(QString()); // as a language file with an empty caption does
        QVERIFY(!banner.windowTitle().isEmpty());
        platform::SetConnectivityCheck({});
    }
};

QTEST_MAIN(TestWindowAids)
#include "tst_window_aids.moc"
