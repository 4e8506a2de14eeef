// HookWs: the tray program's entry point.
#include "app/MainWindow.h"
#include "app/TrayApp.h"
#include "platform/Module.h"

#include <QApplication>

#include <climits>

using namespace hookwise::core;
using namespace hookwise::app;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The program lives in the tray: closing or hiding its last window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("HookWs"));

    char programPath[PATH_MAX] = {};
    if (GetModuleFileNameA(nullptr, programPath, sizeof programPath) == 0)
        return 1;
    // Qt has taken its own options out of argv; anything left is the program's command line.
    TrayApp app(programPath, argc > 1);
    return app.Run([](TrayApp& started) {
        MainWindow window(started);
        window.Create();
        return window.Run();
    });
}
