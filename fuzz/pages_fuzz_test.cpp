// Every page on thousands of seeded random queries built from the fields
// the pages read and the bytes that trouble parsers: escapes cut short,
// separators, signs, huge numbers and markup. Under the sanitizer build this
// proves that no query reads or writes out of bounds; in both builds it
// checks that no markup sent by a client reaches a page unescaped.
#include "fuzz/pages_fuzz.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "testsupport/run_program.h"

namespace {

const char *const kNames[] = {"date1",     "date2", "miles1", "miles2",     "year",
                              "bizmiles",  "rate",  "html",   "root",       "real",
                              "imaginary", "r",     "length", "length_num", "length_den",
                              "dimension", "month", "day"};

const char *const kPieces[] = {
    "1",       "0",      "-",   "+",    "%",          "%2",          "%25",
    "%26",     "%3D",    "%3C", "%3E",  "%00",        "&",           "=",
    "/",       ".",      "e",   "9",    "12/25/20",   "2/30/21",     "13/1/21",
    "1e308",   "-1e308", "nan", "inf",  "2147483647", "-2147483648", "99999999999999999999",
    "r",       "a",      "Z",   ",",    "'",          "\"",          "<x>",
    "%3Cx%3E", "%22",    "%27", "\xff", " ",
};

std::string random_value(std::mt19937 &rng) {
  std::string value;
  int pieces = std::uniform_int_distribution<int>(0, 6)(rng);
  if (rng() % 50 == 0) pieces = 600;  // now and then a value past every buffer
  for (int i = 0; i < pieces; ++i) value += kPieces[rng() % std::size(kPieces)];
  return value;
}

std::string random_query(std::mt19937 &rng) {
  std::string query;
  int fields = std::uniform_int_distribution<int>(0, 8)(rng);
  for (int i = 0; i < fields; ++i) {
    if (i > 0) query += '&';
    query += kNames[rng() % std::size(kNames)];
    if (rng() % 8 != 0) query += '=';
    query += random_value(rng);
  }
  return query;
}

// A data tree for the guest book: the pages run from www/cgi-bin.
class PagesFuzz : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "www/cgi-bin");
    std::filesystem::create_directories(dir_ / "www/data");
    write_file(dir_ / "www/data/foul.language", "zz\n");
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_ / "www/cgi-bin");
  }
  void TearDown() override { std::filesystem::current_path(old_); }

  TempDir dir_;
  std::filesystem::path old_;
};

TEST_F(PagesFuzz, NoQueryBreaksAPageOrInjectsMarkup) {
  std::mt19937 rng(20261207);
  for (int i = 0; i < 4000; ++i) {
    const std::string query = random_query(rng);
    const std::string pages = run_pages(query, i % 100 == 0);
    ASSERT_EQ(pages.find("<x"), std::string::npos) << "markup from the query in: " << query;
    ASSERT_EQ(pages.find("Status: 500"), std::string::npos) << "a page failed on: " << query;
  }
}

TEST_F(PagesFuzz, RawBytesAsAFuzzerSendsThem) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(std::uniform_int_distribution<int>(0, 3000)(rng), '\0');
    for (char &c : bytes) c = static_cast<char>(rng());
    bytes[0] &= ~1;  // the guest book only now and then
    if (i % 200 == 0) bytes[0] |= 1;
    const std::string pages =
        run_pages_on_bytes(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    ASSERT_EQ(pages.rfind("Status: ", 0), 0u) << i;
    ASSERT_EQ(pages.find("Status: 500"), std::string::npos) << "a page failed on bytes " << i;
  }
}

}  // namespace
