#include "app/command_line.h"
#include "app/vorn_app.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt would abort with a terse error; say how to run instead.
bool HasDisplayOrPlatform()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplayOrPlatform()) {
        // Help needs no display.
        QStringList given;
        for (int i = 1; i < argc; ++i)
            given.append(QString::fromLocal8Bit(argv[i]));
        if (vorn::CommandLine::Parse(given).kind == vorn::CommandLine::Kind::Help) {
            std::fputs(vorn::CommandLine::kHelp, stdout);
            return 0;
        }
        std::fprintf(stderr,
                     "vorn: no display found.\n"
                     "Run it under a virtual display:  xvfb-run -a %s [archive.far]\n"
                     "or without any window:          QT_QPA_PLATFORM=offscreen %s [archive.far]\n",
                     argv[0], argv[0]);
        return 1;
    }
    QApplication application(argc, argv);
#ifdef VORN_DESKTOP_ID
    // Lets Wayland compositors and docks match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORN_DESKTOP_ID));
#endif
    // Qt has taken its own options out of the arguments by now.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const vorn::CommandLine line = vorn::CommandLine::Parse(arguments);
    if (line.kind == vorn::CommandLine::Kind::Help) {
        std::fputs(vorn::CommandLine::kHelp, stdout);
        return 0;
    }
    if (line.kind == vorn::CommandLine::Kind::Error) {
        std::fprintf(stderr, "vorn: %s\n%s", line.error.toLocal8Bit().constData(), vorn::CommandLine::kUsage);
        return 2;
    }
    vorn::CVornApp app;
    if (!app.InitInstance(arguments))
        return 1;
    return QApplication::exec();
}
