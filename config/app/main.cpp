#include "app/CConfigApp.h"
#include "framework/PlatformStartup.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: zarvik-rgb\n"
                        "Sets up the RGB lighting of the computer's SSDs.\n"
                        "Settings: $XDG_CONFIG_HOME/Zarvik/Zarvik RGB Software/config\n"
                        "Log:      $XDG_STATE_HOME/Zarvik/LOG/Zarvik RGB Software_Config.log\n");
            return 0;
        }
    }

    PrepareProcessForWindowLayer();

    QApplication application(argc, argv);
    // Docks and task bars match the window to its desktop entry by these
    // (the X11 window class and the Wayland application id), also when the
    // program was started under another name: the command's name, as the
    // desktop entry's StartupWMClass says.
    QCoreApplication::setApplicationName(QStringLiteral("zarvik-rgb"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.zarvik.RgbSoftware"));
    CConfigApp app;
    app.InitInstance();
    return app.ExitInstance();
}
