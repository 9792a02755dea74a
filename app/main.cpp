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
    vorn::CVornApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments))
        return 1;
    return QApplication::exec();
}
