#include <QCoreApplication>

#include <filesystem>

#include "cli/ConvertTool.h"
#include "platform/Files.h"
#include "settings/SettingsStore.h"

int main(int argc, char** argv) {
    tessaly::platform::InstallInterruptCleanup();
    QCoreApplication app(argc, argv);
    tessaly::settings::SetApplicationIdentity();
    const std::vector<std::string> args = tessaly::platform::CommandLineArguments(argc, argv);
    const std::filesystem::path appFolder(tessaly::settings::ApplicationFolder().toStdU16String());
    const tessaly::cli::ToolEnvironment env{appFolder, tessaly::platform::StandardOutput(), tessaly::platform::StandardError(),
                                            tessaly::platform::StandardErrorIsTerminal(), tessaly::platform::TerminalColumns()};
    return tessaly::cli::RunConvertTool(args, env);
}
