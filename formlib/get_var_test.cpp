#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formlib/formlib.h"

namespace {

struct Lookup {
  const char *form;
  const char *name;
  int result;
  const char *value;
};

// Each row: form string, name looked up, expected result and value.
const Lookup kLookups[] = {
    // empty and absent
    {"", "a", -1, ""},
    {"a=&b=2", "a", 0, ""},
    {"a=&b=2", "b", 1, "2"},
    {"a=&b=2", "c", -1, ""},
    // a name never matches the tail of a longer name
    {"year=2010&r=5", "r", 1, "5"},
    {"year=2010&r=5", "ear", -1, ""},
    {"year=2010&r=5", "year", 4, "2010"},
    {"year=2010", "r", -1, ""},
    {"xr=1", "r", -1, ""},
    // repeated names: first pair, else the earliest after "&"
    {"r=1&r=2", "r", 1, "1"},
    {"x=1&r=2&r=3", "r", 1, "2"},
    // a pair without "=" does not match its name
    {"html&rate=5", "html", -1, ""},
    {"html&rate=5", "rate", 1, "5"},
    // values run to the next "&" and may hold "="
    {"a=b=c&d=e", "a", 3, "b=c"},
    {"a=b=c&d=e", "d", 1, "e"},
    // values are raw
    {"name=John+Smith%21", "name", 13, "John+Smith%21"},
    // matching is case-sensitive
    {"R=1", "r", -1, ""},
    {"a=1&&b=2", "b", 1, "2"},
    {"a=1&=2", "", 1, "2"},
};

void PrintTo(const Lookup &c, std::ostream *os) { *os << c.name << " in \"" << c.form << '"'; }

class GetVarLookup : public testing::TestWithParam<Lookup> {};

TEST_P(GetVarLookup, FindsTheRawValue) {
  const Lookup &c = GetParam();
  char value[256] = "garbage";
  std::string form = c.form;
  EXPECT_EQ(get_var(value, c.name, form.c_str()), c.result);
  EXPECT_STREQ(value, c.value);
  EXPECT_EQ(form, c.form) << "the caller's form string must not change";
}

INSTANTIATE_TEST_SUITE_P(Table, GetVarLookup, testing::ValuesIn(kLookups));

TEST(GetVar, ManyLookupsLeaveTheFormUnchanged) {
  char form[2048] = "date1=1/1/21&date2=7/1/21&miles1=10&year=2021&html=1";
  const std::string before = form;
  char value[256];
  for (const char *name : {"date1", "date2", "miles1", "miles2", "year", "html", "date1"})
    get_var(value, name, form);
  EXPECT_EQ(before, form);
}

// The buffer bounds: values cut to the field buffer, the form string
// searched in its first 2047 bytes, names over 253 bytes never matching.
TEST(GetVar, CutsAValueToTheFieldBuffer) {
  std::string form = "v=" + std::string(300, 'x') + "&w=1";
  char value[9];
  EXPECT_EQ(get_var(value, "v", form.c_str()), 8);
  EXPECT_STREQ(value, "xxxxxxxx");
  char exact[4];
  EXPECT_EQ(get_var(exact, "w", form.c_str()), 1);
  EXPECT_EQ(get_var(exact, sizeof exact, "v", "v=abc"), 3);
  EXPECT_STREQ(exact, "abc");
}

// Values around the buffer's capacity, at the end of the form and before
// another pair; the bytes past the buffer are never touched.
TEST(GetVar, FillsTheBufferToItsLastByte) {
  const struct {
    std::size_t cap, length, result;
  } cases[] = {
      {8, 6, 6}, {8, 7, 7}, {8, 8, 7}, {8, 9, 7}, {256, 255, 255}, {256, 256, 255}, {256, 257, 255},
  };
  for (const auto &c : cases) {
    const std::string value(c.length, 'v');
    for (const std::string &form : {"f=" + value, "f=" + value + "&g=1"}) {
      char buffer[300];
      std::memset(buffer, '#', sizeof buffer);
      EXPECT_EQ(get_var(buffer, c.cap, "f", form.c_str()), static_cast<int>(c.result))
          << c.length << " bytes into " << c.cap << ", " << form.substr(c.length + 2);
      EXPECT_EQ(std::string(buffer), value.substr(0, c.result)) << c.length << " into " << c.cap;
      EXPECT_EQ(std::string(buffer + c.cap, sizeof buffer - c.cap), std::string(300 - c.cap, '#'))
          << c.length << " bytes into " << c.cap << ": written past the buffer";
    }
  }
}

TEST(GetVar, SearchesOnlyTheFirst2047Bytes) {
  std::string head = "a=" + std::string(2040, 'x');  // 2042 bytes
  char value[4096];
  EXPECT_EQ(get_var(value, "b", (head + "&b=123").c_str()), 2);  // "3" is byte 2048
  EXPECT_STREQ(value, "12");
  EXPECT_EQ(get_var(value, "b", (head + "xxx&b=1").c_str()), -1);  // so is "="
  EXPECT_EQ(get_var(value, "a", (head + "yyyyyyy").c_str()), 2045);
}

TEST(GetVar, NameLengthLimit) {
  std::string name253(253, 'n'), name254(254, 'n');
  char value[8];
  EXPECT_EQ(get_var(value, name253.c_str(), ("x=1&" + name253 + "=ok").c_str()), 2);
  EXPECT_EQ(get_var(value, name253.c_str(), (name253 + "=ok").c_str()), 2);
  EXPECT_EQ(get_var(value, name254.c_str(), (name254 + "=no").c_str()), -1);
  EXPECT_STREQ(value, "");
}

}  // namespace
