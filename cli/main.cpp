#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "app/SettingsStore.h"
#include "cli/ConvertTool.h"
#include "engine/OutputFiles.h"

int main(int argc, char** argv) {
    tessaly::InstallInterruptCleanup();
    QCoreApplication app(argc, argv);
    tessaly::app::SetApplicationIdentity();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::filesystem::path appFolder(tessaly::app::ApplicationFolder().toStdU16String());
    const tessaly::cli::ToolEnvironment env{appFolder, std::cout, std::cerr, ::isatty(2) != 0};
    return tessaly::cli::RunConvertTool(args, env);
}
