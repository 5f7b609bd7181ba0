#include "run/RunServices.h"

#include <cmath>
#include <stdexcept>

namespace tessaly::run {

std::unique_ptr<InDesignApplication> UnreachableInDesign::connect() {
    throw std::runtime_error("InDesign cannot be reached on this system");
}

bool FindVisibleWordWindow(WindowSystem& windows) {
    if (!windows.findWindowOfClass(QStringLiteral("OpusApp"))) return false;
    for (const auto window : windows.topLevelWindows()) {
        if (!windows.title(window).contains(QStringLiteral("Word"), Qt::CaseSensitive)) continue;
        if (windows.isVisible(window)) return true;
        windows.postClose(window);
    }
    return false;
}

bool MaximizeWordWindow(WindowSystem& windows) {
    const auto window = windows.findWindowOfClass(QStringLiteral("OpusApp"));
    if (!window || !windows.isVisible(window)) return false;
    if (windows.isZoomed(window)) windows.showMinimised(window);
    windows.showMaximised(window);
    return true;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace tessaly::run
