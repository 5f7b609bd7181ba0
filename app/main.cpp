#include <QApplication>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "engine/OutputFiles.h"
#include "run/PlatformServices.h"

int main(int argc, char** argv) {
    tessaly::InstallInterruptCleanup();
    QApplication application(argc, argv);
    tessaly::app::SetApplicationIdentity();
    tessaly::app::InstallQtJapanese(application);

    auto store = tessaly::app::OpenUserSettings();
    tessaly::RunState state;
    tessaly::run::QtMessageService messages;
    tessaly::run::SteadyPauseClock clock;
    tessaly::run::NoWordWindows windows;
    tessaly::run::UnreachableInDesign inDesign;
    tessaly::run::DesktopShell shell;
    tessaly::app::MainWindow window(*store, state, {messages, clock, windows, inDesign, shell},
                                    tessaly::app::ApplicationFolder());
    messages.setParent(&window);
    tessaly::app::RunStartup(*store, clock, window);
    window.show();
    return application.exec();
}
