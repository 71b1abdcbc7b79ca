// Map-like tiles for the benchmarks, drawn from the tile's place in the world so that
// neighbours join: land, water, parks and woods from smooth noise, house blocks, roads
// with casings and anti-aliased edges, and patches of dark "lettering" with soft edges.
// Like a rendered street map they have large flat areas, sharp edges and many blended
// colours.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tileserver/PngWriter.h"

namespace kartovel::bench {

namespace synthetic {

struct Colour {
  double r, g, b;
};

inline Colour Blend(Colour under, Colour over, double cover) {
  return {under.r + (over.r - under.r) * cover, under.g + (over.g - under.g) * cover,
          under.b + (over.b - under.b) * cover};
}

inline uint32_t Hash(int64_t a, int64_t b, uint32_t salt) {
  uint64_t h = static_cast<uint64_t>(a) * 0x9E3779B97F4A7C15ull ^
               static_cast<uint64_t>(b) * 0xC2B2AE3D27D4EB4Full ^ salt * 0x165667B19E3779F9ull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<uint32_t>(h);
}

// Smooth value noise in 0..1.
inline double Noise(double x, double y, uint32_t salt) {
  const double cellX = std::floor(x);
  const double cellY = std::floor(y);
  const auto ix = static_cast<int64_t>(cellX);
  const auto iy = static_cast<int64_t>(cellY);
  auto corner = [salt](int64_t cx, int64_t cy) { return (Hash(cx, cy, salt) & 0xFFFF) / 65535.0; };
  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  const double fx = smooth(x - cellX);
  const double fy = smooth(y - cellY);
  const double top = corner(ix, iy) + (corner(ix + 1, iy) - corner(ix, iy)) * fx;
  const double bottom = corner(ix, iy + 1) + (corner(ix + 1, iy + 1) - corner(ix, iy + 1)) * fx;
  return top + (bottom - top) * fy;
}

constexpr Colour kLand{242, 239, 233};
constexpr Colour kHousing{224, 223, 223};
constexpr Colour kPark{200, 250, 204};
constexpr Colour kWood{173, 209, 158};
constexpr Colour kWater{170, 211, 223};
constexpr Colour kHouse{217, 208, 201};
constexpr Colour kHouseEdge{196, 182, 171};
constexpr Colour kCasing{188, 178, 168};
constexpr Colour kRoads[3] = {{255, 255, 255}, {247, 250, 191}, {252, 214, 164}};
constexpr Colour kInk{70, 70, 70};

inline Colour Ground(int64_t x, int64_t y) {
  const double height =
      0.65 * Noise(x / 420.0, y / 420.0, 1) + 0.35 * Noise(x / 130.0, y / 130.0, 2);
  if (height < 0.3) {
    return kWater;
  }
  if (height < 0.38) {
    return kPark;
  }
  if (height > 0.7) {
    return kWood;
  }
  return Noise(x / 250.0, y / 250.0, 3) > 0.45 ? kHousing : kLand;
}

// House blocks on a grid turned by an angle of its own in each district; edges are
// anti-aliased by sampling each pixel four times.
inline Colour Houses(Colour ground, int64_t x, int64_t y) {
  constexpr double kBlock = 26;
  const double angle = 0.12 * (Hash(x / 512, y / 512, 9) % 8);
  const double cosine = std::cos(angle);
  const double sine = std::sin(angle);
  double house = 0;
  double edge = 0;
  for (int sample = 0; sample < 4; ++sample) {
    const double px = x + 0.25 + 0.5 * (sample & 1);
    const double py = y + 0.25 + 0.5 * (sample >> 1);
    const double u = px * cosine + py * sine;
    const double v = py * cosine - px * sine;
    const auto blockU = static_cast<int64_t>(std::floor(u / kBlock));
    const auto blockV = static_cast<int64_t>(std::floor(v / kBlock));
    const uint32_t h = Hash(blockU, blockV, 4);
    if (h % 4 == 0) {
      continue;
    }
    const double inset = 2.5 + h % 6;
    const double du = u - blockU * kBlock;
    const double dv = v - blockV * kBlock;
    const double far = kBlock - 2 - (h >> 8) % 5;
    if (du < inset || dv < inset || du > far || dv > far) {
      continue;
    }
    const bool onEdge = du < inset + 1 || dv < inset + 1 || du > far - 1 || dv > far - 1;
    (onEdge ? edge : house) += 0.25;
  }
  return Blend(Blend(ground, kHouse, house + edge), kHouseEdge, edge);
}

// One family of winding roads across coordinate "along"; "across" runs along them.
inline Colour Road(Colour under, int64_t along, int64_t across, uint32_t salt) {
  constexpr int64_t kSpacing = 230;
  const int64_t lane = (along + kSpacing / 2) / kSpacing;
  const uint32_t h = Hash(lane, across / 2000, salt);
  const double centre = lane * kSpacing + 90 * (Noise(across / 400.0, lane, salt) - 0.5);
  const double halfWidth = 1.5 + (h >> 8) % 5;
  const double distance = std::abs(along + 0.5 - centre);
  const double casing = std::clamp(halfWidth + 1.5 - distance, 0.0, 1.0);
  const double fill = std::clamp(halfWidth + 0.5 - distance, 0.0, 1.0);
  return Blend(Blend(under, kCasing, casing), kRoads[(h >> 16) % 3], fill);
}

// Patches of "lettering": strokes of 1 px with soft edges on a white halo.
inline Colour Lettering(Colour under, int64_t x, int64_t y) {
  const int64_t boxX = x / 160;
  const int64_t boxY = y / 48;
  const uint32_t h = Hash(boxX, boxY, 7);
  const int64_t u = x % 160 - 20 - h % 30;
  const int64_t v = y % 48 - 16 - (h >> 8) % 16;
  if (h % 3 != 0 || u < 0 || u > 100 || v < 0 || v > 12) {
    return under;
  }
  const Colour halo = Blend(under, {255, 255, 255}, 0.6);
  if (u % 8 == 7 || v == 0 || v == 12) {
    return halo;  // the gap between letters, and the halo above and below
  }
  const uint32_t stroke = Hash(x, y / 2 + (u / 8) * 31, 8) % 5;
  return stroke < 2 ? halo : Blend(halo, kInk, stroke == 2 ? 0.35 : stroke == 3 ? 0.7 : 1.0);
}

}  // namespace synthetic

inline tileserver::RgbImage MapLikeTile(int64_t tileX, int64_t tileY, int side = 256) {
  tileserver::RgbImage image{side, side, std::vector<uint8_t>(size_t(side) * side * 3)};
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      const int64_t x = tileX * side + column;
      const int64_t y = tileY * side + row;
      synthetic::Colour colour = synthetic::Ground(x, y);
      if (colour.g == synthetic::kHousing.g || colour.g == synthetic::kLand.g) {
        colour = synthetic::Houses(colour, x, y);
      }
      colour = synthetic::Road(colour, x, y, 5);
      colour = synthetic::Road(colour, y, x, 6);
      colour = synthetic::Lettering(colour, x, y);
      uint8_t* pixel = &image.Pixels[(size_t(row) * side + column) * 3];
      pixel[0] = static_cast<uint8_t>(std::lround(colour.r));
      pixel[1] = static_cast<uint8_t>(std::lround(colour.g));
      pixel[2] = static_cast<uint8_t>(std::lround(colour.b));
    }
  }
  return image;
}

}  // namespace kartovel::bench
