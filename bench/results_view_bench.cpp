// SPDX-License-Identifier: GPL-3.0-or-later
// How long a result of a million rows takes to appear in the duplicate list, and to repaint
// at places spread over it (scrolling). Runs headless: QT_QPA_PLATFORM=offscreen.
#include "results_model.h"
#include "results_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollBar>

#include <cstdio>

using namespace twinly;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    FileList records;
    RowBand bands;
    records.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        TFileData d =
            TFileData::onDisk("/home/user/Pictures/holiday/2024/folder" + std::to_string(i / 100),
                              "IMG_" + std::to_string(i) + ".jpg", 1000 + i / 2, 0x58A95AB0u);
        d.CRC = static_cast<std::uint32_t>(i / 2) * 2654435761u;
        d.CrcKnown = true;
        records.push_back(std::move(d));
        bands.push_back(static_cast<std::uint8_t>((i / 2) % 2 == 0));
    }

    ResultsModel model;
    ResultsView view;
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    model.fill(std::move(records), bands);
    view.grab(); // the first screenful is drawn
    QApplication::processEvents();
    const qint64 shown = timer.elapsed();
    std::printf("rows: %d\nfill and first paint: %lld ms\n", rows, static_cast<long long>(shown));

    QScrollBar *bar = view.verticalScrollBar();
    const int steps = 200;
    timer.restart();
    qint64 worst = 0;
    for (int s = 0; s < steps; ++s) {
        QElapsedTimer one;
        one.start();
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * s / steps));
        view.grab();
        worst = std::max(worst, one.elapsed());
    }
    std::printf("scroll and repaint: %.2f ms average, %lld ms worst over %d jumps\n",
                static_cast<double>(timer.elapsed()) / steps, static_cast<long long>(worst), steps);
    return 0;
}
