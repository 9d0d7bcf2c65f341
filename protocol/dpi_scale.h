#pragma once

// Lengths of the native windows are laid out for 96 dots per inch (100 % on Windows) and
// shown at the DPI of the monitor a window is on: 150 % is 144 DPI, 200 % is 192.

namespace vesk {

inline constexpr int kBaseDpi = 96;

// pixels at kBaseDpi in pixels at dpi, rounded to the nearest as the system's MulDiv rounds
// (halves away from zero). A dpi of 0 or less, which a window reports before it has a monitor,
// is taken as kBaseDpi.
constexpr int ScaledForDpi(int pixels, int dpi) {
    if (dpi <= 0) return pixels;
    const long long product = static_cast<long long>(pixels) * dpi;
    const long long half = kBaseDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi
                                         : -((-product + half) / kBaseDpi));
}

}  // namespace vesk
