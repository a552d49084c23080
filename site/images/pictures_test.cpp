// The pictures the program pages show: each one is in the document root,
// is the format its name promises, decodes, and has something drawn on it.
#define STB_IMAGE_IMPLEMENTATION
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <ostream>
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
  unsigned char *pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
  ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
  EXPECT_GE(width, 64);
  EXPECT_LE(width, 400);
  EXPECT_GE(height, 64);
  EXPECT_LE(height, 400);
  // A drawing: a good share of the pixels differ from the corner's paper.
  long drawn = 0;
  for (long i = 0; i < static_cast<long>(width) * height; ++i)
    drawn += pixels[3 * i] != pixels[0] || pixels[3 * i + 1] != pixels[1] ||
             pixels[3 * i + 2] != pixels[2];
  EXPECT_GT(drawn * 50, static_cast<long>(width) * height) << "less than 2% drawn";
  stbi_image_free(pixels);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureTest, testing::ValuesIn(kPictures),
                         [](const testing::TestParamInfo<Picture> &info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
