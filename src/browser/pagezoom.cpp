#include "browser/pagezoom.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array Levels
    = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};

// Factors read back from the engine may be off by a rounding error.
constexpr double Tolerance = 0.001;

} // namespace

double zoomedIn(double factor)
{
    const auto next = std::find_if(Levels.begin(), Levels.end(),
        [factor](double level) { return level > factor + Tolerance; });
    return next == Levels.end() ? std::max(factor, Levels.back()) : *next;
}

double zoomedOut(double factor)
{
    const auto next = std::find_if(Levels.rbegin(), Levels.rend(),
        [factor](double level) { return level < factor - Tolerance; });
    return next == Levels.rend() ? std::min(factor, Levels.front()) : *next;
}
