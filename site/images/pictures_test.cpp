// The pictures the program pages show: each one is in the document root,
// is the format its name promises, decodes, and has something drawn on a
// transparent ground (no white box on a dark page).
#define STB_IMAGE_IMPLEMENTATION
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>

#include "testsupport/run_program.h"

namespace {

struct Picture {
  const char *name;
  const char *magic;  // the format's first bytes
};

const Picture kPictures[] = {
    {"circles2.gif", "GIF8"},
    {"circles3.gif", "GIF8"},
    {"calendar.png", "\x89PNG\r\n\x1a\n"},
};

void PrintTo(const Picture &picture, std::ostream *os) { *os << picture.name; }

class PictureTest : public testing::TestWithParam<Picture> {};

TEST_P(PictureTest, DecodesAsItsFormatWithADrawing) {
  const std::string path = std::string(SITE_IMAGES_DIR) + "/" + GetParam().name;
  ASSERT_TRUE(file_exists(path)) << path;
  EXPECT_EQ(read_file(path).rfind(GetParam().magic, 0), 0u) << "not the format its name says";

  int width = 0, height = 0, channels = 0;
  unsigned char *pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
  ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
  EXPECT_GE(width, 64);
  EXPECT_LE(width, 400);
  EXPECT_GE(height, 64);
  EXPECT_LE(height, 400);
  const long area = static_cast<long>(width) * height;
  // A drawing: a good share of the pixels are painted; the ground is clear.
  long drawn = 0;
  for (long i = 0; i < area; ++i) drawn += pixels[4 * i + 3] != 0;
  EXPECT_GT(drawn * 50, area) << "less than 2% drawn";
  EXPECT_LT(drawn * 2, area) << "more than half painted: a box, not a drawing";
  EXPECT_EQ(pixels[3], 0) << "the corner is not transparent";
  stbi_image_free(pixels);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureTest, testing::ValuesIn(kPictures),
                         [](const testing::TestParamInfo<Picture> &info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });

// The site's icon in the document root: an icon directory of three
// images, 16, 32 and 48 pixels square, each decoding to the size listed.
TEST(Favicon, HoldsThreeSizesThatDecode) {
  ASSERT_TRUE(file_exists(SITE_FAVICON)) << SITE_FAVICON;
  const std::string ico = read_file(SITE_FAVICON);
  ASSERT_GE(ico.size(), 6u + 3 * 16);
  ASSERT_EQ(ico.substr(0, 6), std::string("\0\0\1\0\3\0", 6)) << "not an icon of three images";
  const auto *bytes = reinterpret_cast<const unsigned char *>(ico.data());
  auto u32 = [&](std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint64_t{bytes[at + 3]} << 24;
  };
  std::set<int> sides;
  for (std::size_t entry = 6; entry < 6 + 3 * 16; entry += 16) {
    const int side = bytes[entry];
    const std::uint64_t size = u32(entry + 8), offset = u32(entry + 12);
    ASSERT_LE(offset + size, ico.size()) << "image of " << side << " outside the file";
    int width = 0, height = 0, channels = 0;
    unsigned char *pixels = stbi_load_from_memory(bytes + offset, static_cast<int>(size), &width,
                                                  &height, &channels, 4);
    ASSERT_NE(pixels, nullptr) << side << ": " << stbi_failure_reason();
    EXPECT_EQ(width, side);
    EXPECT_EQ(height, side);
    stbi_image_free(pixels);
    sides.insert(side);
  }
  EXPECT_EQ(sides, (std::set<int>{16, 32, 48}));
}

}  // namespace
