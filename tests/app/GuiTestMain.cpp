// The desktop application's tests run without a display.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Startup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tessaly::app::InstallQtJapanese(app);  // as the application does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
