// Draws Kartovel's icon, a map of nine tiles with a download arrow, from one list of shapes
// into the scalable SVG and the PNG sizes of the icon theme, so the two never differ.
//   kartovel_icon OUTPUT_FOLDER   writes kartovel.svg and kartovel-N.png (N = 16 ... 256)
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "imaging/PngEncoder.h"

namespace {

struct Point {
  double x;
  double y;
};

// A filled convex or concave polygon in a 256 x 256 design grid, with its colour.
struct Shape {
  std::vector<Point> corners;
  std::array<uint8_t, 4> rgba;
};

Shape Box(double left, double top, double right, double bottom, std::array<uint8_t, 4> rgba) {
  return Shape{{{left, top}, {right, top}, {right, bottom}, {left, bottom}}, rgba};
}

std::vector<Shape> IconShapes() {
  std::vector<Shape> shapes;
  // The frame, its corners cut.
  shapes.push_back(Shape{
      {{40, 12}, {216, 12}, {244, 40}, {244, 216}, {216, 244}, {40, 244}, {12, 216}, {12, 40}},
      {0x1F, 0x3B, 0x57, 0xFF}});
  const std::array<std::array<uint8_t, 4>, 3> land = {
      {{0x8C, 0xC5, 0x6B, 0xFF}, {0xB5, 0xD9, 0x8F, 0xFF}, {0x4A, 0x90, 0xC2, 0xFF}}};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const double left = 34 + column * 64;
      const double top = 34 + row * 64;
      shapes.push_back(Box(left, top, left + 60, top + 60, land[(row * 2 + column) % 3]));
    }
  }
  const auto arrow = [](double dx, double dy, std::array<uint8_t, 4> rgba) {
    return Shape{{{110 + dx, 54 + dy},
                  {146 + dx, 54 + dy},
                  {146 + dx, 132 + dy},
                  {184 + dx, 132 + dy},
                  {128 + dx, 194 + dy},
                  {72 + dx, 132 + dy},
                  {110 + dx, 132 + dy}},
                 rgba};
  };
  shapes.push_back(arrow(6, 6, {0x00, 0x00, 0x00, 0x60}));
  shapes.push_back(arrow(0, 0, {0xFF, 0xFF, 0xFF, 0xFF}));
  shapes.push_back(Box(72, 204, 184, 220, {0xFF, 0xFF, 0xFF, 0xFF}));
  return shapes;
}

bool Inside(const Shape& shape, double x, double y) {
  bool inside = false;
  const std::vector<Point>& p = shape.corners;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].y > y) != (p[j].y > y) &&
        x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) {
      inside = !inside;
    }
  }
  return inside;
}

// Each pixel is the mean of 4 x 4 samples, each sample the shapes painted over one another.
std::vector<uint8_t> Render(const std::vector<Shape>& shapes, uint32_t size) {
  constexpr int kSamples = 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
  const double scale = 256.0 / size;
  for (uint32_t py = 0; py < size; ++py) {
    for (uint32_t px = 0; px < size; ++px) {
      std::array<double, 4> sum{};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (px + (sx + 0.5) / kSamples) * scale;
          const double y = (py + (sy + 0.5) / kSamples) * scale;
          std::array<double, 4> colour{};  // premultiplied
          for (const Shape& shape : shapes) {
            if (Inside(shape, x, y)) {
              const double alpha = shape.rgba[3] / 255.0;
              for (int c = 0; c < 3; ++c) {
                colour[c] = shape.rgba[c] / 255.0 * alpha + colour[c] * (1 - alpha);
              }
              colour[3] = alpha + colour[3] * (1 - alpha);
            }
          }
          for (int c = 0; c < 4; ++c) {
            sum[c] += colour[c];
          }
        }
      }
      uint8_t* out = &pixels[(static_cast<size_t>(py) * size + px) * 4];
      const double alpha = sum[3] / (kSamples * kSamples);
      for (int c = 0; c < 3; ++c) {
        out[c] = alpha > 0 ? static_cast<uint8_t>(sum[c] / sum[3] * 255.0 + 0.5) : 0;
      }
      out[3] = static_cast<uint8_t>(alpha * 255.0 + 0.5);
    }
  }
  return pixels;
}

std::string Svg(const std::vector<Shape>& shapes) {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 256 256\">\n";
  for (const Shape& shape : shapes) {
    svg += "  <polygon points=\"";
    for (const Point& corner : shape.corners) {
      svg += std::to_string(static_cast<int>(corner.x)) + "," +
             std::to_string(static_cast<int>(corner.y)) + " ";
    }
    svg.pop_back();
    char colour[64];
    std::snprintf(colour, sizeof colour, "\" fill=\"#%02x%02x%02x\" fill-opacity=\"%.3f\"/>\n",
                  shape.rgba[0], shape.rgba[1], shape.rgba[2], shape.rgba[3] / 255.0);
    svg += colour;
  }
  return svg + "</svg>\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kartovel_icon OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  try {
    const std::vector<Shape> shapes = IconShapes();
    kartovel::WriteFileAtomically(folder + "kartovel.svg", Svg(shapes));
    for (uint32_t size : {16U, 24U, 32U, 48U, 64U, 128U, 256U}) {
      const std::vector<uint8_t> pixels = Render(shapes, size);
      kartovel::WriteFileAtomically(folder + "kartovel-" + std::to_string(size) + ".png",
                                    kartovel::tools::EncodePng(size, size, true, pixels));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kartovel_icon: %s\n", error.what());
    return 1;
  }
  return 0;
}
