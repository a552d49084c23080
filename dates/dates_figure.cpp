// The dates figure: a timeline to scale from the first date to the second,
// with year or month ticks between them and the days between the two dates
// that the page reports.
#include "dates/dates_figure.h"

#include <cstdio>
#include <ctime>
#include <initializer_list>

#include "calendar/calendar.h"
#include "page/svg.h"

namespace {

constexpr int kWidth = 600, kHeight = 160;
constexpr double kStart = 60, kEnd = 540;  // the timeline's ends, when the dates differ
constexpr double kLineY = 95;
constexpr int kMaxYearTicks = 8;

void dateText(char *dest, std::size_t cap, const DateAnswer &date, const char *typed,
              DateText how) {
  const std::tm &d = date.record;
  if (how == kAsTyped)
    svg_snprintf(dest, cap, "%s", typed);
  else
    svg_snprintf(dest, cap, "%d/%d/%d", d.tm_mon + 1, d.tm_mday, d.tm_year + 1900);
}

bool earlierOrSame(const std::tm &a, const std::tm &b) {
  return a.tm_year < b.tm_year || (a.tm_year == b.tm_year && a.tm_yday <= b.tm_yday);
}

// Days from |from| to the first of month |mon| of |year|, as the calendar
// counts days between dates; -1 when it cannot.
int daysTo(const std::tm &from, int year, int mon) {
  std::tm a = from, b{};
  b.tm_year = year - 1900;
  b.tm_mon = mon;
  b.tm_mday = 1;
  return daysBetween(&a, &b);
}

// The timeline as drawn: where the earlier and the later date stand.
struct Line {
  const std::tm *earlier, *later;
  int days;
  double left, right;
};

double xOf(const Line &l, int day) {
  return l.days == 0 ? l.left : l.left + (l.right - l.left) * day / l.days;
}

void drawTick(FILE *out, const Line &l, int day, const char *label) {
  if (day < 0 || day > l.days) return;
  const double x = xOf(l, day);
  svg_printf(out,
             "<line class=\"fig-tick\" x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\" "
             "stroke=\"currentColor\"/>\n",
             x, kLineY - 8, x, kLineY);
  if (label[0] != '\0') svg_text(out, "fig-tick-label", x, kLineY - 12, "middle", label);
}

// The smallest of 1, 2, 5, 10, 20, ... years that shows at most
// kMaxYearTicks of a |span| of years.
int yearStep(int span) {
  for (int power = 1;; power *= 10)
    for (int base : {1, 2, 5})
      if (span / (base * power) <= kMaxYearTicks) return base * power;
}

// The first of every year between the dates when they lie two or more years
// apart (every 1, 2, 5, 10, ... years so that at most kMaxYearTicks show);
// otherwise the first of every month between them.
void drawTicks(FILE *out, const Line &l) {
  const int first = l.earlier->tm_year + 1900, last = l.later->tm_year + 1900;
  char label[16];
  if (last - first >= 2) {
    const int step = yearStep(last - first);
    for (int year = first + 1; year <= last; ++year) {
      if (year % step != 0) continue;
      svg_snprintf(label, sizeof label, "%d", year);
      drawTick(out, l, daysTo(*l.earlier, year, 0), label);
    }
    return;
  }
  const int months = (last - first) * 12 + l.later->tm_mon - l.earlier->tm_mon;
  for (int k = 1; k <= months; ++k) {
    const int index = l.earlier->tm_mon + k;
    const int year = first + index / 12, mon = index % 12;
    if (mon == 0)
      svg_snprintf(label, sizeof label, "%d", year);
    else if (months <= 12 || mon % 3 == 0)
      svg_snprintf(label, sizeof label, "%.3s", monthNames[mon]);
    else
      label[0] = '\0';
    drawTick(out, l, daysTo(*l.earlier, year, mon), label);
  }
}

// A date's two lines above its end of the timeline.
void drawDate(FILE *out, double mark, double x, const char *anchor, int which,
              const DateAnswer &date, const char *text) {
  char head[300], answer[64];
  svg_snprintf(head, sizeof head, "Date %d: %s", which, text);
  svg_snprintf(answer, sizeof answer, "%s, day %d of the year", dow[date.weekday], date.yearDay);
  svg_printf(out,
             "<circle class=\"fig-date-mark\" cx=\"%.3f\" cy=\"%.0f\" r=\"5\" "
             "fill=\"currentColor\"/>\n",
             mark, kLineY);
  svg_text(out, "fig-date-label", x, 28, anchor, head, 8 + kLabelChars);
  svg_text(out, "fig-label", x, 45, anchor, answer);
}

}  // namespace

bool draw_dates_figure(FILE *out, const DatesReport &r, DateText how) {
  if (!r.date1.valid || !r.date2.valid || r.days < 0) return false;
  char text1[kFieldSize], text2[kFieldSize];
  dateText(text1, sizeof text1, r.date1, r.form.date1, how);
  dateText(text2, sizeof text2, r.date2, r.form.date2, how);
  const bool inOrder = earlierOrSame(r.date1.record, r.date2.record);
  Line l{inOrder ? &r.date1.record : &r.date2.record, inOrder ? &r.date2.record : &r.date1.record,
         r.days, kStart, kEnd};
  if (r.days == 0) l.left = l.right = kWidth / 2.0;
  char span[32], title[640], desc[800];
  svg_snprintf(span, sizeof span, "%d day%s", r.days, r.days == 1 ? "" : "s");
  svg_snprintf(title, sizeof title, "Timeline from %s to %s: %s", text1, text2, span);
  svg_snprintf(desc, sizeof desc,
               "Date 1, %s, a %s, day %d of the year, and date 2, %s, a %s, day %d of the "
               "year, on a timeline to scale: %s between them.",
               text1, dow[r.date1.weekday], r.date1.yearDay, text2, dow[r.date2.weekday],
               r.date2.yearDay, span);
  open_figure(out, "dates", kWidth, kHeight, title, desc);
  svg_printf(out,
             "<line class=\"fig-timeline\" x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\" "
             "stroke=\"currentColor\" stroke-width=\"2\"/>\n",
             l.left - 10, kLineY, l.right + 10, kLineY);
  drawTicks(out, l);
  // Each date's text reads from its end of the line inwards; on one day the
  // two texts part to either side of the single mark.
  const double x1 = inOrder ? l.left : l.right, x2 = inOrder ? l.right : l.left;
  if (r.days == 0) {
    drawDate(out, x1, x1 - 6, "end", 1, r.date1, text1);
    drawDate(out, x2, x2 + 6, "start", 2, r.date2, text2);
  } else {
    drawDate(out, x1, x1, inOrder ? "start" : "end", 1, r.date1, text1);
    drawDate(out, x2, x2, inOrder ? "end" : "start", 2, r.date2, text2);
  }
  svg_printf(out,
             "<path class=\"fig-span\" d=\"M%.0f %.0fv8H%.0fv-8\" fill=\"none\" "
             "stroke=\"currentColor\"/>\n",
             l.left, kLineY + 12, l.right);
  svg_text(out, "fig-span-label", (l.left + l.right) / 2, kLineY + 42, "middle", span);
  close_figure(out, title);
  return true;
}
