// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the README's screenshots from the real window: a small tree of duplicates (texts and
// pictures) is searched, and each page is grabbed as the user would see it.
//   shoot OUTPUT_FOLDER   (run by take.sh, which builds it)
#include "gui_helpers.h"
#include "results_model.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>

using namespace twinly;
using namespace twinly::test;

namespace {

void writeText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A picture with something to see: bands of colour and a disc.
QImage picture(int w, int h, QColor a, QColor b)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(255, 255, 255, 180));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(w / 3, h / 2), h / 4, h / 4);
    return image;
}

void savePicture(const QImage &image, const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path))
        qFatal("cannot write %s", qPrintable(path));
}

void grab(QWidget *w, const QString &folder, const char *name)
{
    QApplication::processEvents();
    QTest::qWait(300);
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!w->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

void showPage(TForm1 &w, int page)
{
    child<QTabWidget>(&w, "PageControl1")->setCurrentIndex(page);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shoot OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir work;
    // Under the home folder take.sh gives, so the list shows short, plausible paths.
    const QString tree = QDir::homePath() + QStringLiteral("/Photos");
    if (QFileInfo::exists(tree))
        qFatal("%s exists already: run this through take.sh", qPrintable(tree));
    const QImage sunset = picture(640, 480, QColor(250, 120, 40), QColor(60, 20, 120));
    const QImage sea = picture(480, 640, QColor(20, 120, 200), QColor(220, 240, 255));
    savePicture(sunset, tree + QStringLiteral("/2024/holiday/sunset.png"));
    savePicture(sunset, tree + QStringLiteral("/backup/phone/IMG_0412.png"));
    savePicture(sea, tree + QStringLiteral("/2024/holiday/sea.png"));
    savePicture(sea, tree + QStringLiteral("/backup/phone/IMG_0415.png"));
    savePicture(sea, tree + QStringLiteral("/desktop/sea copy.png"));
    const QByteArray letter = "Dear neighbour,\n\nthe hedge between our gardens has grown "
                              "over the path again.\n";
    writeText(tree + QStringLiteral("/papers/letter.txt"), letter);
    writeText(tree + QStringLiteral("/backup/papers/letter (1).txt"), letter);
    writeText(tree + QStringLiteral("/papers/notes.txt"), "Only one of these.\n");

    TForm1 w;
    w.setSettingsPath(work.filePath(QStringLiteral("Zorvik.reg")));
    w.resize(900, 600);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        qFatal("the window did not show");

    addFolder(&w, tree);
    click(&w, "GoBut");
    for (int i = 0; i < 600 && w.Searching(); ++i)
        QTest::qWait(50);
    auto *list = child<QTreeView>(&w, "List");
    showPage(w, 0);
    list->setCurrentIndex(w.results()->index(0, 0));
    grab(&w, out, "results.png");

    showPage(w, 1);
    grab(&w, out, "options.png");
    auto *tabs = child<QTabWidget>(&w, "PageControl1");
    showPage(w, tabs->count() - 1);
    grab(&w, out, "more-options.png");

    // Comparing by look, with the preview as a chart.
    click(&w, "VisualCMP");
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i) &&
            tabs->widget(i)->findChild<QWidget *>(QStringLiteral("VisualOptions")))
            showPage(w, i);
    grab(&w, out, "visual-options.png");
    click(&w, "Preview4");
    click(&w, "GoBut");
    for (int i = 0; i < 600 && w.Searching(); ++i)
        QTest::qWait(50);
    showPage(w, 0);
    list->setCurrentIndex(w.results()->index(0, 0));
    grab(&w, out, "chart.png");
    w.close();
    QDir(tree).removeRecursively();
    return 0;
}
