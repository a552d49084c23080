#include "colours/colour_list.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "testsupport/run_program.h"

namespace {

// One call of read_colour: its outcome and, for kRead, the record.
struct Read {
  ColourRead got;
  int part[3] = {0, 0, 0};
  std::string name = "";
};

// A list and what each successive read of it returns.
struct ListCase {
  const char *label;
  std::string list;
  std::vector<Read> reads;
};

const ColourRead kRead = ColourRead::kRead;
const ColourRead kEnd = ColourRead::kEnd;
const std::string kName248(kChipNameMax, 'n');

const ListCase kLists[] = {
    // ---- records, and where the list ends
    {"OneRecordThenEnd", "255 128 0 orange\n", {{kRead, {255, 128, 0}, "orange"}, {kEnd}}},
    {"FieldsOverLinesCrlfTabs",
     "1\n2\r\n\t3 a\r\n4 5 6 b",
     {{kRead, {1, 2, 3}, "a"}, {kRead, {4, 5, 6}, "b"}, {kEnd}}},
    {"NameRightAfterNumber", "1 2 3name", {{kRead, {1, 2, 3}, "name"}, {kEnd}}},
    {"IntBounds",
     "2147483647 -2147483648 +0 edge",
     {{kRead, {2147483647, -2147483647 - 1, 0}, "edge"}, {kEnd}}},
    {"LeadingZeros",
     "0000000000000000000255 -00000000000000000001 7 z",
     {{kRead, {255, -1, 7}, "z"}, {kEnd}}},
    {"LongestName", "1 2 3 " + kName248, {{kRead, {1, 2, 3}, kName248}, {kEnd}}},
    {"BlanksOnlyEndsEveryTime", " \n\t ", {{kEnd}, {kEnd}}},
    // ---- malformed records
    {"NameOneByteTooLong", "1 2 3 " + kName248 + "n\n", {{ColourRead::kNameTooLong}}},
    {"WordForComponent", "red 0 0 x\n", {{ColourRead::kNotNumber}}},
    {"SignWithoutDigits", "1 - 3 x\n", {{ColourRead::kNotNumber}}},
    {"AboveInt", "2147483648 0 0 x\n", {{ColourRead::kOutOfRange}}},
    {"BelowInt", "0 -2147483649 0 x\n", {{ColourRead::kOutOfRange}}},
    {"TwentyDigits", "0 0 99999999999999999999 x\n", {{ColourRead::kOutOfRange}}},
    {"EndsAfterComponent", "7", {{ColourRead::kCutShort}}},
    {"EndsAfterSign", "1 2 -", {{ColourRead::kCutShort}}},
    {"EndsBeforeName", "1 2 3 \n", {{ColourRead::kCutShort}}},
    {"CutShortAfterAGoodRecord",
     "1 2 3 a\n4 5",
     {{kRead, {1, 2, 3}, "a"}, {ColourRead::kCutShort}}},
};

void PrintTo(const ListCase &c, std::ostream *os) { *os << c.label; }

class ColourListTest : public testing::TestWithParam<ListCase> {};

TEST_P(ColourListTest, ReadsRecordsInTurn) {
  std::string bytes = GetParam().list;
  FILE *in = fmemopen(bytes.data(), bytes.size(), "r");
  ASSERT_NE(in, nullptr);
  Colour colour;
  for (std::size_t i = 0; i < GetParam().reads.size(); ++i) {
    const Read &want = GetParam().reads[i];
    ASSERT_EQ(read_colour(in, &colour), want.got) << "read " << i;
    if (want.got != kRead) continue;
    for (int p = 0; p < 3; ++p) EXPECT_EQ(colour.part[p], want.part[p]) << "read " << i;
    EXPECT_EQ(colour.name, want.name) << "read " << i;
  }
  std::fclose(in);
}

INSTANTIATE_TEST_SUITE_P(Lists, ColourListTest, testing::ValuesIn(kLists),
                         [](const testing::TestParamInfo<ListCase> &info) {
                           return std::string(info.param.label);
                         });

// A stream that fails (a directory opened as a list) is the stream's error,
// not an empty or malformed list.
TEST(ColourList, ReadErrorIsNotTheEndOfTheList) {
  TempDir dir;
  FILE *in = std::fopen(dir.path().c_str(), "r");
  ASSERT_NE(in, nullptr);
  Colour colour;
  EXPECT_EQ(read_colour(in, &colour), ColourRead::kReadError);
  std::fclose(in);
}

}  // namespace
