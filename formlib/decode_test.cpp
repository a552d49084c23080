#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "formlib/formlib.h"

namespace {

struct Hex {
  const char *digits;
  unsigned char byte;
};

TEST(X2c, ConvertsEitherCaseAndAnyByte) {
  const Hex cases[] = {
      {"4a", 0x4A}, {"4A", 0x4A}, {"2B", 0x2B}, {"ff", 0xFF}, {"00", 0x00},
      {"7e", 0x7E}, {"G1", 0x01}, {"zz", 0x53}, {"\x80" "0", 0x00},
      {"0\xff", 0xCF},  // 0xff is -1 as a signed byte: -1 - 48 = -49
  };
  for (const Hex &c : cases)
    EXPECT_EQ(static_cast<unsigned char>(x2c(c.digits)), c.byte) << c.digits;
}

struct Decode {
  const char *in;
  const char *out;
};

// unescape_url alone
const Decode kUnescape[] = {
    {"%41%62c", "Abc"}, {"100%25", "100%"}, {"%7e", "~"},
    {"John+Smith%21", "John+Smith!"}, {"", ""},
    // incomplete escapes at the very end stay as they are
    {"%", "%"}, {"a%4", "a%4"},
    // a "%" with two bytes after it always decodes, even "%%4"
    {"%%41", "T1"},
    {"ab%2", "ab%2"},
    // %00 ends the string for every later reader
    {"a%00b", "a"},
    // malformed escapes decode by the arithmetic
    {"%zz", "S"},
};

TEST(UnescapeUrl, DecodesInPlace) {
  for (const Decode &c : kUnescape) {
    std::string s = c.in;
    unescape_url(s.data());
    EXPECT_STREQ(s.c_str(), c.out) << c.in;
  }
}

TEST(UnescapeUrl, NeverReadsPastTheTerminator) {
  // A "%" as the very last byte of an exactly sized buffer: the sanitizer
  // build catches any read past it.
  for (const char *tail : {"%", "%4", "x%"}) {
    std::string text = tail;
    char *exact = new char[text.size() + 1];
    std::memcpy(exact, text.c_str(), text.size() + 1);
    unescape_url(exact);
    EXPECT_STREQ(exact, tail);
    delete[] exact;
  }
}

TEST(Decoders, OrderDecidesWhatAPlusBecomes) {
  std::string both = "John+Smith%21%2B";
  plustospace(both.data());
  unescape_url(both.data());
  EXPECT_STREQ(both.c_str(), "John Smith!+");

  std::string reversed = "John+Smith%21%2B";
  unescape_url(reversed.data());
  plustospace(reversed.data());
  EXPECT_STREQ(reversed.c_str(), "John Smith! ");
}

const Decode kOldUnescape[] = {
    {"%41%7E", "A~"}, {"%7e", "\x9e"}, {"%2b", "K"}, {"a+b", "a+b"},
    {"%", "%"}, {"x%4", "x%4"},
};

TEST(OldUnescapeUrl, DecodesUpperCaseHexOnly) {
  for (const Decode &c : kOldUnescape) {
    std::string s = c.in;
    old_unescape_url(s.data());
    EXPECT_STREQ(s.c_str(), c.out) << c.in;
  }
}

TEST(OldUnescapeUrl, KeepsOnlyThe255FirstBytes) {
  std::string s = std::string(254, 'a') + "%41%41";
  old_unescape_url(s.data());
  EXPECT_EQ(std::string(s.c_str()), std::string(254, 'a') + "%");
}

TEST(FormInt, ReadsLikeAtoiButNeverOverflows) {
  const struct {
    const char *text;
    int value;
  } cases[] = {
      {"42", 42}, {"  -7x", -7}, {"+3", 3}, {"2.5", 2}, {"1e2", 1}, {"abc", 0}, {"", 0},
      {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-99999999999999999999", INT_MIN},
  };
  for (const auto &c : cases) EXPECT_EQ(form_int(c.text), c.value) << c.text;
}

}  // namespace
