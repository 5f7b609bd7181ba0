#include <QApplication>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "platform/Files.h"
#include "run/PlatformServices.h"
#include "settings/SettingsStore.h"

int main(int argc, char** argv) {
    tessaly::platform::InstallInterruptCleanup();
    QApplication application(argc, argv);
    tessaly::settings::SetApplicationIdentity();
    tessaly::app::InstallQtJapanese(application);

    auto store = tessaly::settings::OpenUserSettings();
    tessaly::RunState state;
    tessaly::run::QtMessageService messages;
    tessaly::run::SteadyPauseClock clock;
    tessaly::NoWordWindows windows;
    tessaly::run::UnreachableInDesign inDesign;
    tessaly::run::DesktopShell shell;
    tessaly::app::MainWindow window(*store, state, {messages, clock, windows, inDesign, shell},
                                    tessaly::settings::ApplicationFolder());
    messages.setParent(&window);
    tessaly::app::RunStartup(*store, clock, window);
    window.show();
    return application.exec();
}
