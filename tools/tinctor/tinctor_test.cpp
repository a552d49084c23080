#include "tools/tinctor/tinctor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testsupport/run_program.h"

namespace {

const char kOrangeChip[] =
    "<div class=\"chip\">#ff8000 255 128 0 <img src=\"/images/chips/png/orange.png\" "
    "alt=\"/images/chips/png/orange.png\" /> <a href=\"/images/chips/bmp/orange.bmp\">orange</a>"
    "</div>\n";

std::string chip(const std::string &hex, const std::string &decimal, const std::string &name) {
  return "<div class=\"chip\">#" + hex + " " + decimal + " <img src=\"/images/chips/png/" + name +
         ".png\" alt=\"/images/chips/png/" + name + ".png\" /> <a href=\"/images/chips/bmp/" +
         name + ".bmp\">" + name + "</a></div>\n";
}

const std::string kName248(248, 'n');
const std::string kName249(249, 'n');

ProgramResult run_tinctor(const TempDir &dir) {
  return run_program(bin_path("tinctor"), ProgramRun{{}, dir.path(), {}, {}});
}

// ---- records that convert ----

struct Conversion {
  const char *what;
  std::string list;
  std::string chips;
};

const Conversion kConversions[] = {
    {"final newline", "255 128 0 orange\n", kOrangeChip},
    {"no final newline", "255 128 0 orange", kOrangeChip},
    {"record over lines", "255\n128\n\n\t0\n  orange\n\n", kOrangeChip},
    {"two hex digits at least", "5 5 5 dim\n", chip("050505", "5 5 5", "dim")},
    {"256 widens the code", "256 0 0 over\n", chip("1000000", "256 0 0", "over")},
    {"negative as 32 bits", "-1 0 0 neg\n", chip("ffffffff0000", "-1 0 0", "neg")},
    {"int bounds", "2147483647 -2147483648 +0 edge",
     chip("7fffffff8000000000", "2147483647 -2147483648 0", "edge")},
    {"empty list", "", ""},
    {"blanks only", " \n\t\n", ""},
    {"order kept, CRLF and tabs", "1\t2\t3 a\r\n0 0 0 b\r\n16 32 48 c\r\n",
     chip("010203", "1 2 3", "a") + chip("000000", "0 0 0", "b") + chip("102030", "16 32 48", "c")},
    {"name right after a number", "1 2 3name\n", chip("010203", "1 2 3", "name")},
    {"248-byte name fits", "1 2 3 " + kName248 + "\n", chip("010203", "1 2 3", kName248)},
    {"248-byte name at end of list", "1 2 3 " + kName248, chip("010203", "1 2 3", kName248)},
};

TEST(TinctorConvert, WritesOneChipLinePerRecordToBothFiles) {
  for (const Conversion &c : kConversions) {
    TempDir dir;
    write_file(dir / "rgbp.txt", c.list);
    write_file(dir / "grayp.txt", c.list);
    ProgramResult r = run_tinctor(dir);
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(read_file(dir / "rgb"), c.chips) << c.what;
    EXPECT_EQ(read_file(dir / "gray"), c.chips) << c.what;
  }
}

TEST(TinctorConvert, SecondRunRecreatesBothFiles) {
  TempDir dir;
  write_file(dir / "rgbp.txt", "1 2 3 a\n4 5 6 b\n");
  write_file(dir / "grayp.txt", "7 7 7 g\n");
  ASSERT_EQ(run_tinctor(dir).status, 0);
  write_file(dir / "rgbp.txt", "255 128 0 orange\n");
  write_file(dir / "grayp.txt", "");
  ProgramResult r = run_tinctor(dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(dir / "rgb"), kOrangeChip);
  EXPECT_EQ(read_file(dir / "gray"), "");
}

// ---- failures: reported, the other pair still converted, status 1 ----

enum Kind { kFile, kDir, kLink, kAbsent };

struct Entry {
  const char *path;
  Kind kind;
  std::string content;  // a file's bytes, or a link's target
};

struct Failure {
  const char *what;
  std::vector<Entry> setup;
  std::string err;
  std::vector<Entry> after;  // files checked afterwards (kFile or kAbsent)
};

const std::string kOrange = "255 128 0 orange\n";

std::string malformed(const char *list, int record, const char *why) {
  return std::string("tinctor: ") + list + ": record " + std::to_string(record) + ": " + why +
         "; the rest of the list is not converted\n";
}

std::string many_records() {
  std::string list;
  for (int i = 0; i < 200; ++i) list += "1 2 3 x" + std::to_string(i) + "\n";
  return list;
}

const Failure kFailures[] = {
    {"missing list leaves its output alone",
     {{"rgb", kFile, "keep me\n"}, {"grayp.txt", kFile, kOrange}},
     "tinctor: cannot open rgbp.txt: No such file or directory\n",
     {{"rgb", kFile, "keep me\n"}, {"gray", kFile, kOrangeChip}}},
    {"missing second list creates nothing",
     {{"rgbp.txt", kFile, kOrange}},
     "tinctor: cannot open grayp.txt: No such file or directory\n",
     {{"rgb", kFile, kOrangeChip}, {"gray", kAbsent, ""}}},
    {"both lists missing",
     {},
     "tinctor: cannot open rgbp.txt: No such file or directory\n"
     "tinctor: cannot open grayp.txt: No such file or directory\n",
     {{"rgb", kAbsent, ""}, {"gray", kAbsent, ""}}},
    {"output cannot be created",
     {{"rgbp.txt", kFile, kOrange}, {"rgb", kDir, ""}, {"grayp.txt", kFile, kOrange}},
     "tinctor: cannot create rgb: Is a directory\n",
     {{"gray", kFile, kOrangeChip}}},
    {"list is a directory",
     {{"rgbp.txt", kDir, ""}, {"grayp.txt", kFile, kOrange}},
     "tinctor: cannot read rgbp.txt: Is a directory\n",
     {{"rgb", kFile, ""}, {"gray", kFile, kOrangeChip}}},
    {"word where a component belongs",
     {{"rgbp.txt", kFile, kOrange + "red 0 0 bad\n1 2 3 later\n"}, {"grayp.txt", kFile, kOrange}},
     malformed("rgbp.txt", 2, "a component is not a number"),
     {{"rgb", kFile, kOrangeChip}, {"gray", kFile, kOrangeChip}}},
    {"sign without digits",
     {{"rgbp.txt", kFile, "1 - 3 x\n"}, {"grayp.txt", kFile, kOrange}},
     malformed("rgbp.txt", 1, "a component is not a number"),
     {{"rgb", kFile, ""}, {"gray", kFile, kOrangeChip}}},
    {"list ends inside a record",
     {{"rgbp.txt", kFile, kOrange}, {"grayp.txt", kFile, kOrange + "4 5\n"}},
     malformed("grayp.txt", 2, "the list ends inside the record"),
     {{"rgb", kFile, kOrangeChip}, {"gray", kFile, kOrangeChip}}},
    {"list ends before the name",
     {{"rgbp.txt", kFile, "1 2 3"}, {"grayp.txt", kFile, kOrange}},
     malformed("rgbp.txt", 1, "the list ends inside the record"),
     {{"rgb", kFile, ""}, {"gray", kFile, kOrangeChip}}},
    {"name of 249 bytes",
     {{"rgbp.txt", kFile, kOrange + "1 2 3 " + kName249 + "\n4 5 6 y\n"},
      {"grayp.txt", kFile, kOrange}},
     malformed("rgbp.txt", 2, "the name is longer than 248 bytes"),
     {{"rgb", kFile, kOrangeChip}, {"gray", kFile, kOrangeChip}}},
    {"component beyond int",
     {{"rgbp.txt", kFile, "2147483648 0 0 big\n"}, {"grayp.txt", kFile, "0 -2147483649 0 small"}},
     malformed("rgbp.txt", 1, "a component is out of range") +
         malformed("grayp.txt", 1, "a component is out of range"),
     {{"rgb", kFile, ""}, {"gray", kFile, ""}}},
    {"full disk on close",
     {{"rgbp.txt", kFile, kOrange}, {"rgb", kLink, "/dev/full"}, {"grayp.txt", kFile, kOrange}},
     "tinctor: cannot write rgb: No space left on device\n",
     {{"gray", kFile, kOrangeChip}}},
    {"full disk while writing, reported once",
     {{"rgbp.txt", kFile, kOrange},
      {"grayp.txt", kFile, many_records()},
      {"gray", kLink, "/dev/full"}},
     "tinctor: cannot write gray: No space left on device\n",
     {{"rgb", kFile, kOrangeChip}}},
    // "gray" is read as a list only if "rgb" was flushed before it was opened
    {"rgb closed before grayp.txt is read",
     {{"rgbp.txt", kFile, kOrange}, {"grayp.txt", kLink, "rgb"}},
     malformed("grayp.txt", 1, "a component is not a number"),
     {{"rgb", kFile, kOrangeChip}, {"gray", kFile, ""}}},
};

void make(const TempDir &dir, const Entry &e) {
  std::string path = dir / e.path;
  if (e.kind == kFile) write_file(path, e.content);
  if (e.kind == kDir) {
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path;
  }
  if (e.kind == kLink) {
    ASSERT_EQ(symlink(e.content.c_str(), path.c_str()), 0) << path;
  }
}

TEST(TinctorFailure, ReportsOnStderrAndGoesOnWithTheOtherPair) {
  for (const Failure &f : kFailures) {
    TempDir dir;
    for (const Entry &e : f.setup) make(dir, e);
    ProgramResult r = run_tinctor(dir);
    EXPECT_EQ(r.status, 1) << f.what;
    EXPECT_EQ(r.out, "") << f.what;
    EXPECT_EQ(r.err, f.err) << f.what;
    for (const Entry &e : f.after) {
      if (e.kind == kAbsent)
        EXPECT_FALSE(file_exists(dir / e.path)) << f.what << ": " << e.path;
      else
        EXPECT_EQ(read_file(dir / e.path), e.content) << f.what << ": " << e.path;
    }
  }
}

// ---- help text ----

TEST(TinctorHelp, PrintsTwelveLines) {
  EXPECT_EQ(capture([](FILE *out) { help(out); }),
            "tinctor  A. Maintainer  8/12/10\n"
            "\n"
            "processes the rgbp.txt and grayp.txt and creates rgb and gray which can\n"
            "be used as stubs to display color info as well as the chip itself which\n"
            "is assumed to be in /images/chips/png with bmp available in /images/chips/bmp.\n"
            "\n"
            "See dravnik for more information.\n"
            "\n"
            "This program is in the public domain.\n"
            "\n"
            "TINCTOR  A. MAINTAINER  8/12/10\n"
            "maintainer@example.org https://www.example.org/dravnik.html\n");
}

}  // namespace
