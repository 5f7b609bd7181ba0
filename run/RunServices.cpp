#include "run/RunServices.h"

#include <cmath>
#include <stdexcept>

namespace tessaly::run {

std::unique_ptr<InDesignApplication> UnreachableInDesign::connect() {
    throw std::runtime_error("InDesign cannot be reached on this system");
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace tessaly::run
