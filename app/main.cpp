// SPDX-License-Identifier: GPL-3.0-or-later
#include "adv_form.h"
#include "main_window.h"
#include "settings_store.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#ifndef TWINLY_ADV_SERVER
#define TWINLY_ADV_SERVER ""
#endif
#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace {

constexpr std::string_view kHelp = R"(Usage: twinly [OPTION]
Find duplicate files on the desktop: add folders on the page "Options", press Go, and act on
the groups the page "Dublicates" shows.

  -h, --help       show this help and exit
  -v, --version    show the version and exit

The toolkit's own options are taken too, e.g. -platform NAME or -style NAME.
For searches from a terminal or a script, see twinly-cli --help.
)";

// The window system the toolkit would connect to: a -platform option wins over the variable.
std::string_view platformName(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return argv[i + 1];
    const char *env = std::getenv("QT_QPA_PLATFORM");
    return env ? env : "";
}

bool hasDisplay(int argc, char **argv)
{
    const std::string_view platform = platformName(argc, argv);
    // Only the desktop window systems need a session; any other platform the user names is
    // left to the toolkit (offscreen, a framebuffer, a remote view).
    const bool desktop =
        platform.empty() || platform.starts_with("xcb") || platform.starts_with("wayland");
    if (!desktop)
        return true;
    const auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

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
    // Answered before the toolkit starts, which would need a display for them.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (arg == "--version" || arg == "-v") {
            std::printf("twinly %s\n", TWINLY_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    if (!hasDisplay(argc, argv)) {
        std::fputs("twinly: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set); for a search without a window, use twinly-cli\n",
                   stderr);
        return 1;
    }
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
