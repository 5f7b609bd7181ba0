#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/SettingsStore.h"
#include "cli/ConvertTool.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // A conversion reads a file and its streams into buffers of many
    // megabytes, frees them and builds the model and the tagged text. Kept
    // in the heap instead of being handed back to the system, the freed
    // buffers are reused: fresh pages, which the system must fault in and
    // clear, are what a large conversion spends much of its time on.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    QCoreApplication app(argc, argv);
    tessaly::app::SetApplicationIdentity();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::filesystem::path appFolder(tessaly::app::ApplicationFolder().toStdU16String());
    const tessaly::cli::ToolEnvironment env{appFolder, std::cout, std::cerr, ::isatty(2) != 0};
    return tessaly::cli::RunConvertTool(args, env);
}
