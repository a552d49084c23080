// Both dates-and-mileage pages, in-process, in every zone of the system's
// time-zone database: the dates they print and answer for are the dates
// entered, checked against the zone-free chrono calendar.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "cgi-bin/bolvey/bolvey.h"
#include "cgi-bin/kestrum/kestrum.h"
#include "testsupport/run_program.h"

namespace {

namespace chr = std::chrono;
namespace fs = std::filesystem;

const char kZoneinfo[] = "/usr/share/zoneinfo";

// Every zone file under kZoneinfo by its name ("Europe/Dublin"): files that
// begin with the TZif magic, outside the posix/ and right/ copies. Tables,
// leap-second lists and the like have no magic.
std::vector<std::string> allZones() {
  std::vector<std::string> zones;
  std::error_code error;
  for (fs::recursive_directory_iterator it(kZoneinfo, error), end; it != end; it.increment(error)) {
    const std::string name = fs::relative(it->path(), kZoneinfo).string();
    if (it->is_directory() && (name == "posix" || name == "right")) {
      it.disable_recursion_pending();
      continue;
    }
    char magic[4] = {};
    if (!it->is_regular_file() || !std::ifstream(it->path()).read(magic, 4)) continue;
    if (std::string(magic, 4) == "TZif") zones.push_back(name);
  }
  std::sort(zones.begin(), zones.end());
  return zones;
}

// A date as typed (read alike by both pages) and the date it stands for,
// carried past the month's end as the pages carry it.
struct Entered {
  const char *text;
  chr::sys_days date;
};

chr::sys_days carried(int year, unsigned month, int day) {
  return chr::sys_days{chr::year{year} / chr::month{month} / 1} + chr::days{day - 1};
}

const Entered kEntered[] = {
    {"1/1/21", carried(2021, 1, 1)},   {"7/1/21", carried(2021, 7, 1)},
    {"2/30/20", carried(2020, 2, 30)}, {"12/31/99", carried(1999, 12, 31)},
    {"3/29/70", carried(1970, 3, 29)},
};

std::string numeric(chr::sys_days date) {
  const chr::year_month_day ymd{date};
  return std::to_string(unsigned(ymd.month())) + "/" + std::to_string(unsigned(ymd.day())) + "/" +
         std::to_string(int(ymd.year()));
}

std::string dateLine(const std::string &shown, chr::sys_days date) {
  const int yday = (date - chr::sys_days{chr::year_month_day{date}.year() / 1 / 1}).count() + 1;
  return "\n" + shown + " was day " + std::to_string(yday) + " of the year and fell on a " +
         dow[chr::weekday{date}.c_encoding()] + ".\n\n";
}

// The date lines and the days line a page writes for dates |a| and |b|,
// shown as |shownA| and |shownB|.
std::string answer(const std::string &shownA, chr::sys_days a, const std::string &shownB,
                   chr::sys_days b) {
  return dateLine(shownA, a) + dateLine(shownB, b) + "\nThere were " +
         std::to_string(std::abs((b - a).count())) + " days between " + shownA + " and " + shownB +
         ".\n\n";
}

TEST(DatesPagesInEveryZone, AnswerForTheDateEntered) {
  const std::vector<std::string> zones = allZones();
  ASSERT_GT(zones.size(), 300u) << "is the time-zone database installed in " << kZoneinfo << "?";
  int mismatches = 0;
  auto check = [&](const std::string &what, const std::string &page, const std::string &want) {
    if (page.find(want) == std::string::npos && ++mismatches <= 5)
      ADD_FAILURE() << what << ":\n" << page << "\nwanted\n" << want;
  };
  const std::size_t count = std::size(kEntered);
  for (const std::string &zone : zones) {
    ScopedTimeZone tz(zone.c_str());
    for (std::size_t i = 0; i < count; ++i) {
      const Entered &a = kEntered[i], &b = kEntered[(i + 1) % count];
      const std::string query = std::string("date1=") + a.text + "&date2=" + b.text;
      check("kestrum " + query + " in " + zone,
            capture([&](FILE *out) { kestrum_page(out, query.c_str()); }),
            answer(numeric(a.date), a.date, numeric(b.date), b.date));
      check("bolvey " + query + " in " + zone,
            capture([&](FILE *out) { bolvey_page(out, query.c_str()); }),
            answer(a.text, a.date, b.text, b.date));
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << zones.size() * count * 2 << " pages";
}

}  // namespace
