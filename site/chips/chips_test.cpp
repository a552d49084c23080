// The chip images: the names chipimg refuses, what it writes and refuses
// to write, and the built chip page, whose every chip line must point to a
// PNG and a BMP of exactly the colour the line names.
#include "site/chips/chipimg.h"

#define STB_IMAGE_IMPLEMENTATION
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>

#include "testsupport/run_program.h"

namespace {

// Decodes |path| and tells whether it is a chip: kChipWidth by kChipHeight
// pixels, every one of colour |rgb| (0xrrggbb).
testing::AssertionResult is_chip(const std::string &path, unsigned long rgb) {
  int width = 0, height = 0, channels = 0;
  unsigned char *pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
  if (pixels == nullptr)
    return testing::AssertionFailure() << path << ": " << stbi_failure_reason();
  testing::AssertionResult result = testing::AssertionSuccess();
  if (width != kChipWidth || height != kChipHeight)
    result = testing::AssertionFailure() << path << " is " << width << "x" << height;
  for (int i = 0; result && i < width * height; ++i) {
    unsigned long got = pixels[3 * i] << 16 | pixels[3 * i + 1] << 8 | pixels[3 * i + 2];
    if (got != rgb) result = testing::AssertionFailure() << path << " pixel " << i << " is " << got;
  }
  stbi_image_free(pixels);
  return result;
}

// --- names

struct NameCase {
  const char *label;
  std::string name;
  bool safe;
};

const NameCase kNames[] = {
    {"Plain", "red", true},
    {"DigitsHyphenUnderscoreDot", "gray-7f_2.x", true},
    {"LongestName", std::string(kChipNameMax, 'a'), true},
    {"OneByteTooLong", std::string(kChipNameMax + 1, 'a'), false},
    {"Empty", "", false},
    {"Dot", ".", false},
    {"DotDot", "..", false},
    {"Hidden", ".red", false},
    {"ParentFolder", "../red", false},
    {"Slash", "a/b", false},
    {"Backslash", "a\\b", false},
    {"QueryMark", "red?x", false},
    {"Percent", "a%2Fb", false},
    {"Ampersand", "a&b", false},
    {"Quote", "a\"b", false},
    {"NonAscii", "gr\xc3\xbcn", false},
};

void PrintTo(const NameCase &c, std::ostream *os) { *os << c.label; }

class ChipNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(ChipNameTest, SafeOnlyAsAPlainFileName) {
  EXPECT_EQ(chip_name_safe(GetParam().name.c_str()), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(Names, ChipNameTest, testing::ValuesIn(kNames),
                         [](const testing::TestParamInfo<NameCase> &info) {
                           return std::string(info.param.label);
                         });

// --- writing the images of a list

struct Written {
  bool ok;
  std::string err;
};

Written write_images(const TempDir &dir, const std::string &list) {
  write_file(dir / "list", list);
  ChipFolders folders;
  char *text = nullptr;
  std::size_t size = 0;
  FILE *err = open_memstream(&text, &size);
  bool ok = open_chip_folders(dir.path().c_str(), &folders, err) &&
            write_list_images((dir / "list").c_str(), folders, err);
  close_chip_folders(&folders);
  std::fclose(err);
  Written written{ok, std::string(text, size)};
  std::free(text);
  return written;
}

TEST(ChipImages, EachRecordGetsAPngAndABmpOfItsColour) {
  TempDir dir;
  Written written = write_images(dir, "255 128 0 orange\n  0\n0\n5 deep-blue");
  EXPECT_TRUE(written.ok) << written.err;
  EXPECT_EQ(written.err, "");
  EXPECT_TRUE(is_chip(dir / "png/orange.png", 0xff8000));
  EXPECT_TRUE(is_chip(dir / "bmp/orange.bmp", 0xff8000));
  EXPECT_TRUE(is_chip(dir / "png/deep-blue.png", 0x000005));
  EXPECT_TRUE(is_chip(dir / "bmp/deep-blue.bmp", 0x000005));
}

struct RefusedCase {
  const char *label;
  const char *record;
  const char *message;
  bool list_goes_on;  // the record after it still gets its images
};

const RefusedCase kRefused[] = {
    {"ParentFolder", "1 2 3 ../outside", "record 2: the name cannot be", true},
    {"HiddenName", "1 2 3 .outside", "record 2: the name cannot be", true},
    {"ComponentAbove255", "256 0 0 outside", "record 2: a component is outside 0..255", true},
    {"NegativeComponent", "0 -1 0 outside", "record 2: a component is outside 0..255", true},
    {"NotANumber", "1 x 3 outside", "record 2: a component is not a number", false},
    {"BeyondInt", "99999999999 0 0 outside", "record 2: a component is out of range", false},
    {"NameTooLong", "1 2 3 ", "record 2: the name is longer than 248 bytes", false},
};

void PrintTo(const RefusedCase &c, std::ostream *os) { *os << c.label; }

class RefusedRecordTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRecordTest, IsReportedAndGetsNoImage) {
  const RefusedCase &c = GetParam();
  TempDir dir;
  std::string record = c.record;
  if (std::string(c.label) == "NameTooLong") record += std::string(kChipNameMax + 1, 'o');
  Written written = write_images(dir, "1 1 1 before\n" + record + "\n2 2 2 after\n");
  EXPECT_FALSE(written.ok);
  EXPECT_NE(written.err.find(c.message), std::string::npos) << written.err;
  EXPECT_TRUE(file_exists(dir / "png/before.png"));
  EXPECT_EQ(file_exists(dir / "bmp/after.bmp"), c.list_goes_on);
  for (const char *path : {"outside.png", "outside.bmp", "png/outside.png", "bmp/outside.bmp"})
    EXPECT_FALSE(file_exists(dir / path)) << path;
}

INSTANTIATE_TEST_SUITE_P(Records, RefusedRecordTest, testing::ValuesIn(kRefused),
                         [](const testing::TestParamInfo<RefusedCase> &info) {
                           return std::string(info.param.label);
                         });

TEST(ChipImages, ListEndingInsideARecordIsReported) {
  TempDir dir;
  Written written = write_images(dir, "1 2 3 one\n4 5");
  EXPECT_FALSE(written.ok);
  EXPECT_NE(written.err.find("record 2: the list ends inside the record"), std::string::npos);
  EXPECT_TRUE(file_exists(dir / "png/one.png"));
}

TEST(ChipImages, MissingListIsReported) {
  TempDir dir;
  ChipFolders folders;
  ASSERT_TRUE(open_chip_folders(dir.path().c_str(), &folders, stderr));
  char *text = nullptr;
  std::size_t size = 0;
  FILE *err = open_memstream(&text, &size);
  EXPECT_FALSE(write_list_images((dir / "missing").c_str(), folders, err));
  std::fclose(err);
  EXPECT_NE(std::string(text, size).find("cannot open"), std::string::npos);
  std::free(text);
  close_chip_folders(&folders);
}

TEST(ChipImages, ImageFolderThatIsALinkIsRefused) {
  TempDir dir, elsewhere;
  ASSERT_EQ(symlink(elsewhere.path().c_str(), (dir / "png").c_str()), 0);
  Written written = write_images(dir, "1 2 3 red\n");
  EXPECT_FALSE(written.ok);
  EXPECT_NE(written.err.find("cannot open"), std::string::npos) << written.err;
  EXPECT_FALSE(file_exists(elsewhere / "red.png"));
}

TEST(ChipImages, ImageThatIsALinkIsReplacedNotWrittenThrough) {
  TempDir dir, elsewhere;
  write_file(elsewhere / "target", "keep");
  ASSERT_EQ(mkdir((dir / "png").c_str(), 0755), 0);
  ASSERT_EQ(symlink((elsewhere / "target").c_str(), (dir / "png/red.png").c_str()), 0);
  Written written = write_images(dir, "255 0 0 red\n");
  EXPECT_TRUE(written.ok) << written.err;
  EXPECT_EQ(read_file(elsewhere / "target"), "keep");
  EXPECT_TRUE(is_chip(dir / "png/red.png", 0xff0000));
}

// --- the built page

// The number of records in a colour list: its fields, four to a record.
long records_in(const std::string &path) {
  std::istringstream fields(read_file(path));
  long count = 0;
  for (std::string field; fields >> field;) ++count;
  return count / 4;
}

// Returns the attribute value that follows |attribute| (as in 'src="') at
// or after |from| in |page|.
std::string attribute(const std::string &page, const std::string &attribute, std::size_t from) {
  std::size_t start = page.find(attribute, from) + attribute.size();
  return page.substr(start, page.find('"', start) - start);
}

TEST(ChipPage, EveryChipLinePointsToImagesOfItsColour) {
  const std::string htdocs = SITE_HTDOCS_DIR;
  const std::string page = read_file(htdocs + "/chips.html");
  const std::string chip = "<div class=\"chip\">#";
  long chips = 0;
  for (std::size_t at = page.find(chip); at != std::string::npos; at = page.find(chip, at + 1)) {
    ++chips;
    unsigned long rgb = std::strtoul(page.substr(at + chip.size(), 6).c_str(), nullptr, 16);
    std::string png = attribute(page, "src=\"", at), bmp = attribute(page, "href=\"", at);
    ASSERT_EQ(png.rfind("/images/chips/png/", 0), 0u) << png;
    ASSERT_EQ(bmp.rfind("/images/chips/bmp/", 0), 0u) << bmp;
    EXPECT_TRUE(is_chip(htdocs + png, rgb));
    EXPECT_TRUE(is_chip(htdocs + bmp, rgb));
  }
  const std::string lists = CHIP_LISTS_DIR;
  EXPECT_EQ(chips, records_in(lists + "/rgbp.txt") + records_in(lists + "/grayp.txt"));
  EXPECT_GE(chips, 148 + 16);
}

}  // namespace
