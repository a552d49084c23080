#include "tools/tinctor/tinctor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
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

std::string repeat(const std::string &text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
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
    {"twenty digits with leading zeros",
     "00000000000000000255 -0000000000000000001 +0000000000000000016 z",
     chip("ffffffffff10", "255 -1 16", "z")},
    // the name is escaped wherever the line writes it
    {"markup in a name", "1 2 3 a\"<b>&'c\n",
     chip("010203", "1 2 3", "a&quot;&lt;b&gt;&amp;&#39;c")},
    {"248 quotes fill the escaped name", "1 2 3 " + std::string(248, '"'),
     chip("010203", "1 2 3", repeat("&quot;", 248))},
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
    {"list ends after one component",
     {{"rgbp.txt", kFile, "7"}, {"grayp.txt", kFile, kOrange + "7\n"}},
     malformed("rgbp.txt", 1, "the list ends inside the record") +
         malformed("grayp.txt", 2, "the list ends inside the record"),
     {{"rgb", kFile, ""}, {"gray", kFile, kOrangeChip}}},
    {"component of ten times INT_MAX",
     {{"rgbp.txt", kFile, "0 21474836470 0 wide\n"}, {"grayp.txt", kFile, "-21474836480 0 0 w"}},
     malformed("rgbp.txt", 1, "a component is out of range") +
         malformed("grayp.txt", 1, "a component is out of range"),
     {{"rgb", kFile, ""}, {"gray", kFile, ""}}},
    {"component of twenty digits",
     {{"rgbp.txt", kFile, "12345678901234567890 0 0 big\n"},
      {"grayp.txt", kFile, "0 0 -99999999999999999999 small\n"}},
     malformed("rgbp.txt", 1, "a component is out of range") +
         malformed("grayp.txt", 1, "a component is out of range"),
     {{"rgb", kFile, ""}, {"gray", kFile, ""}}},
    // "gray" is read as a list only if "rgb" was flushed before it was opened
    {"rgb closed before grayp.txt is read",
     {{"rgbp.txt", kFile, kOrange}, {"grayp.txt", kLink, "rgb"}},
     malformed("grayp.txt", 1, "a component is not a number"),
     {{"rgb", kFile, kOrangeChip}, {"gray", kFile, ""}}},
};

// Temporary files left in |dir|.
int temporaries(const TempDir &dir) {
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
    count += entry.path().filename().string().find(".tmp.") != std::string::npos;
  return count;
}

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
    EXPECT_EQ(temporaries(dir), 0) << f.what;
  }
}

// ---- output files are replaced whole ----

// A file size limit of one 512-byte block (SIGXFSZ ignored) makes writing
// "rgb" fail as a full disk would, while "gray" fits.
TEST(TinctorReplace, AFailedWriteLeavesThePreviousFile) {
  const struct {
    const char *what;
    std::string list;
  } cases[] = {
      {"fails while writing, reported once", many_records()},
      {"fails when flushed at the end", repeat("1 2 3 name\n", 5)},
  };
  for (const auto &c : cases) {
    TempDir dir;
    write_file(dir / "rgbp.txt", c.list);
    write_file(dir / "grayp.txt", kOrange);
    write_file(dir / "rgb", "previous rgb\n");
    write_file(dir / "gray", "previous gray\n");
    ProgramResult r = run_program(
        "/bin/sh",
        ProgramRun{{},
                   dir.path(),
                   {"-c", "trap '' XFSZ; ulimit -f 1 && exec \"$0\"", bin_path("tinctor")},
                   {}});
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.err, "tinctor: cannot write rgb: File too large\n") << c.what;
    EXPECT_EQ(read_file(dir / "rgb"), "previous rgb\n") << c.what;
    EXPECT_EQ(read_file(dir / "gray"), kOrangeChip) << c.what;
    EXPECT_EQ(temporaries(dir), 0) << c.what;
  }
}

// A link at an output's name, or at the temporary's, is never written
// through: the output link is replaced by the new file, and a name already
// taken is passed over.
TEST(TinctorReplace, FollowsNoLink) {
  TempDir dir;
  write_file(dir / "rgbp.txt", kOrange);
  write_file(dir / "elsewhere", "keep me\n");
  ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "rgb").c_str()), 0);
  const std::string taken = dir / ("rgb.tmp." + std::to_string(getpid()) + ".0");
  ASSERT_EQ(symlink((dir / "victim").c_str(), taken.c_str()), 0);
  std::string err = capture([&](FILE *out) {
    EXPECT_TRUE(convert_list((dir / "rgbp.txt").c_str(), (dir / "rgb").c_str(), out));
  });
  EXPECT_EQ(err, "");
  struct stat st;
  ASSERT_EQ(lstat((dir / "rgb").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(read_file(dir / "rgb"), kOrangeChip);
  EXPECT_EQ(read_file(dir / "elsewhere"), "keep me\n");
  EXPECT_FALSE(file_exists(dir / "victim"));
  EXPECT_EQ(lstat(taken.c_str(), &st), 0) << "someone else's file is left alone";
}

}  // namespace
