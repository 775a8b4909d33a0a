// SPDX-License-Identifier: GPL-3.0-or-later
#include "adv_form.h"
#include "main_window.h"
#include "settings_store.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QSystemTrayIcon>

#ifndef TWINLY_ADV_SERVER
#define TWINLY_ADV_SERVER ""
#endif

namespace {

// The advertisement server: a setting, with the build's default.
QUrl advertisementServer()
{
    std::string server = TWINLY_ADV_SERVER;
    if (const auto key =
            twinly::platform::SettingsKey::open(twinly::platform::DefaultSettingsPath()))
        key->readString("AdvServer", server);
    return QUrl(QString::fromStdString(server));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinly"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.twinly.Twinly"));

    // The banner comes first and is the application's main window: its closing ends the
    // program (closing the working window closes it).
    twinly::TAdvertiseForm banner(advertisementServer());
    QObject::connect(&banner, &twinly::TAdvertiseForm::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    twinly::TForm1 window;
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("io.github.twinly.Twinly"), window.trayIcon()->icon()));
    window.setBanner(&banner);
    banner.setMainForm(&window);
    window.show();
    return QApplication::exec();
}
