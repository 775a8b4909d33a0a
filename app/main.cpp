// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinly"));
    twinly::TForm1 window;
    window.show();
    return QApplication::exec();
}
