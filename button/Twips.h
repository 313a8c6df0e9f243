// Twips, the unit the windows' and controls' designed places and sizes are given in.
#pragma once

#include <cmath>

// 1440 twips per inch at 96 pixels per inch: 15 twips per pixel. Qt scales pixels on HiDPI screens.
// The designs round twips to pixels in two ways, each where its drawing needs it:
namespace Twips {
constexpr int PerPixel = 15;

// Nearest pixel, ties to even: where windows and controls are placed.
inline int toNearestPixel(double twips) { return int(std::nearbyint(twips / PerPixel)); }

// The pixel that contains the twip: skin pieces whose edges meet exactly.
inline int toContainingPixel(double twips) { return int(std::floor(twips / PerPixel)); }
} // namespace Twips
