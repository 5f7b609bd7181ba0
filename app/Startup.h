// Start-up: the first-start defaults, the splash window for a little over
// two and a half seconds, and the main window's load.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QWidget>

#include "app/MainWindow.h"
#include "settings/SettingsStore.h"
#include "run/RunServices.h"

namespace tessaly::app {

class SplashWindow : public QWidget {
public:
    SplashWindow();
};

// Qt's own texts (the standard buttons はい, いいえ, キャンセル, …) in
// Japanese, from Qt's translations; false when they are not installed.
bool InstallQtJapanese(QCoreApplication& application);

// Runs the start-up steps; the main window is loaded but not yet shown.
void RunStartup(settings::KeyValueStore& store, run::PauseClock& clock, MainWindow& main);

}  // namespace tessaly::app
