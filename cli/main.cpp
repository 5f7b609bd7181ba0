#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

#include "cli/ConvertTool.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const tessaly::cli::ToolEnvironment env{QCoreApplication::applicationDirPath().toStdString(), std::cout, std::cerr,
                                            ::isatty(2) != 0};
    return tessaly::cli::RunConvertTool(args, env);
}
