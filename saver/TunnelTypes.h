// The tunnel's table types and sizes, shared by the geometry, the animation and the drawing code.
#pragma once

#include <array>

namespace tunnel {

constexpr int Segments = 32;               // quads around the tube
constexpr int Rings = 32;                  // quads along the tube
constexpr int Columns = Segments + 1;      // angular indices a = 0..32 (column 32 is the seam)
constexpr int Depths = Rings + 1;          // depth indices d = 0..32
constexpr int TableSize = Columns * Depths; // 1,089 entries

struct Vector3 {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
};

struct Vector2 {
    float S = 0.0f;
    float T = 0.0f;
};

// Entry (a, d) is record a + 33 * d: the angular index varies fastest.
using VertexTable = std::array<Vector3, TableSize>;
using TexCoordTable = std::array<Vector2, TableSize>;

constexpr int entry(int a, int d) { return a + Columns * d; }

} // namespace tunnel
