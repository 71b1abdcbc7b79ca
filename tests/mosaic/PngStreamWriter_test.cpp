// Writing PNGs row by row and reading them back.
#include "mosaic/PngStreamWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "imaging/PngEncoder.h"
#include "imaging/PngImage.h"
#include "support/PngFileCheck.h"
#include "support/Sandbox.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

RgbaImage Gradient(int32_t width, int32_t height) {
  RgbaImage image(width, height);
  for (size_t byte = 0; byte < image.pixels.size(); ++byte) {
    image.pixels[byte] = static_cast<uint8_t>(byte * 7 + byte / 13);
  }
  return image;
}

void WriteRowByRow(const std::string& fileName, const RgbaImage& image) {
  PngStreamWriter writer(fileName, static_cast<uint32_t>(image.width),
                         static_cast<uint32_t>(image.height));
  const size_t rowBytes = static_cast<size_t>(image.width) * 4;
  for (int32_t row = 0; row < image.height; ++row) {
    writer.WriteRow(image.pixels.data() + static_cast<size_t>(row) * rowBytes);
  }
  writer.Finish();
}

TEST(PngStreamWriterTest, RowsWrittenOneByOneDecodeToTheSamePixels) {
  Sandbox sandbox;
  RgbaImage original = Gradient(37, 23);
  WriteRowByRow(sandbox.Path("g.png"), original);
  RgbaImage decoded;
  std::string error;
  ASSERT_TRUE(DecodePng(sandbox.Path("g.png"), decoded, error)) << error;
  EXPECT_EQ(decoded.width, 37);
  EXPECT_EQ(decoded.height, 23);
  EXPECT_EQ(decoded.pixels, original.pixels);
  std::optional<ImageSize> size = ReadPngSize(sandbox.Path("g.png"));
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 37);
  EXPECT_EQ(size->height, 23);
  EXPECT_EQ(testing::PngFileFault(Sandbox::ReadAll(sandbox.Path("g.png"))), "");
}

TEST(PngStreamWriterTest, AnUnfinishedImageLeavesNoFile) {
  Sandbox sandbox;
  RgbaImage rows = Gradient(4, 1);
  {
    PngStreamWriter writer(sandbox.Path("part.png"), 4, 3);
    writer.WriteRow(rows.pixels.data());
    EXPECT_THROW(writer.Finish(), std::logic_error);
  }
  EXPECT_FALSE(FileExists(sandbox.Path("part.png")));
  EXPECT_TRUE(std::filesystem::is_empty(sandbox.Folder()));
}

TEST(PngStreamWriterTest, AHeaderLibpngRefusesIsAnAppErrorAndLeavesNoFile) {
  Sandbox sandbox;
  try {
    PngStreamWriter writer(sandbox.Path("empty.png"), 0, 4);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_NE(std::string(error.what()).find("Unable to write to " + sandbox.Path("empty.png")),
              std::string::npos)
        << error.what();
  }
  EXPECT_TRUE(std::filesystem::is_empty(sandbox.Folder()));
}

TEST(PngStreamWriterTest, AnUnwritableFolderIsAnAppError) {
  Sandbox sandbox;
  EXPECT_THROW(PngStreamWriter(sandbox.Path("no/such/folder.png"), 4, 4), AppError);
}

TEST(PngStreamWriterTest, DecodeReportsFilesThatAreNotImagesOrNotOfTheExpectedSize) {
  Sandbox sandbox;
  Sandbox::WriteAll(sandbox.Path("text.png"), "hello");
  WritePng(sandbox.Path("g.png"), Gradient(5, 5));
  RgbaImage image;
  std::string error;
  EXPECT_FALSE(DecodePng(sandbox.Path("text.png"), image, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ReadPngSize(sandbox.Path("text.png")));
  EXPECT_FALSE(DecodePng(sandbox.Path("g.png"), image, error, ImageSize{8, 8}));
  EXPECT_EQ(error, "size 5 x 5 pixels");
  EXPECT_TRUE(DecodePng(sandbox.Path("g.png"), image, error, ImageSize{5, 5}));
}

}  // namespace
}  // namespace kartovel::tools
