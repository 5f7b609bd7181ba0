#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "cli/ConvertTool.h"
#include "platform/Files.h"
#include "settings/SettingsStore.h"

int main(int argc, char** argv) {
    tessaly::platform::InstallInterruptCleanup();
    QCoreApplication app(argc, argv);
    tessaly::settings::SetApplicationIdentity();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::filesystem::path appFolder(tessaly::settings::ApplicationFolder().toStdU16String());
    const tessaly::cli::ToolEnvironment env{appFolder, std::cout, std::cerr, ::isatty(2) != 0, tessaly::platform::TerminalColumns()};
    return tessaly::cli::RunConvertTool(args, env);
}
