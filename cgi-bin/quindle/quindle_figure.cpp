// The day-of-year figure: the month of the date the page answers for (after
// mktime's carry, so February 30 shows March 2) as a calendar, weeks in rows
// from Monday as the page counts them, each row headed by its week number,
// with the day marked and its day of the year and week, all from the page's
// answer.
#include <cstdio>
#include <ctime>

#include "calendar/calendar.h"
#include "cgi-bin/quindle/quindle_site.h"
#include "page/svg.h"

namespace {

constexpr int kWidth = 600;
constexpr double kLeft = 20, kTop = 70;        // the week numbers' column, the grid's top
constexpr double kWeekColumn = 56;             // the week numbers' width
constexpr double kGridLeft = kLeft + kWeekColumn;
constexpr double kCell = 72, kRowHeight = 44;  // a cell's width and height

// The month's layout: the column of its first day and the rows it needs.
struct MonthGrid {
  int firstColumn;  // 0 = Monday
  int days, rows;
};

MonthGrid gridFor(const std::tm &date, long long year) {
  MonthGrid g;
  const int firstWeekday = ((date.tm_wday - (date.tm_mday - 1)) % 7 + 7) % 7;  // 0 = Sunday
  g.firstColumn = (firstWeekday + 6) % 7;
  g.days = monthLength(date.tm_mon, year);
  g.rows = (g.firstColumn + g.days + 6) / 7;
  return g;
}

void drawHeadings(FILE *out, const std::tm &date, long long year) {
  char month[64];
  svg_snprintf(month, sizeof month, "%s %lld", monthNames[date.tm_mon], year);
  svg_text(out, "fig-month-head", kWidth / 2.0, 30, "middle", month);
  svg_text(out, "fig-weekday-head", kLeft + kWeekColumn / 2, kTop - 10, "middle", "Week");
  char weekday[4];
  for (int column = 0; column < 7; ++column) {
    svg_snprintf(weekday, sizeof weekday, "%.3s", dow[(column + 1) % 7]);
    svg_text(out, "fig-weekday-head", kGridLeft + (column + 0.5) * kCell, kTop - 10, "middle",
             weekday);
  }
}

// Each row's week number as the page counts it: "%W", weeks from the
// year's first Monday, the days before it week 0, which the page tells as
// week 53. A number needs no escaping, so it goes out with its element.
void drawWeeks(FILE *out, const std::tm &date, const MonthGrid &g) {
  for (int row = 0; row < g.rows; ++row) {
    const int day = row == 0 ? 1 : row * 7 - g.firstColumn + 1;  // the row's first day
    const int yday = date.tm_yday - (date.tm_mday - day);
    const int column = (g.firstColumn + day - 1) % 7;
    const int week = (yday + 7 - column) / 7;
    svg_printf(out,
               "<text class=\"fig-week\" x=\"%.3f\" y=\"%.3f\" text-anchor=\"middle\" "
               "fill=\"currentColor\">%d</text>\n",
               kLeft + kWeekColumn / 2, kTop + row * kRowHeight + kRowHeight / 2 + 5,
               week == 0 ? 53 : week);
  }
}

// A cell's paint without the style sheet: the marked one tinted and framed.
const char kCellPaint[] = "fill=\"none\" stroke=\"currentColor\" stroke-width=\"0.5\"";
const char kMarkedPaint[] =
    "fill=\"currentColor\" fill-opacity=\"0.15\" stroke=\"currentColor\" stroke-width=\"3\"";

// One cell per day of the month, its number centred in it; the answered
// day's cell is marked. Cell and number go out in one call: the number is
// digits only, so it is the text svg_text would write for it.
void drawDays(FILE *out, const MonthGrid &g, int marked) {
  for (int day = 1; day <= g.days; ++day) {
    const int at = g.firstColumn + day - 1;
    const double x = kGridLeft + (at % 7) * kCell, y = kTop + (at / 7) * kRowHeight;
    const bool isMarked = day == marked;
    svg_printf(out,
               "<rect class=\"%s\" x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" %s/>\n"
               "<text class=\"%s\" x=\"%.3f\" y=\"%.3f\" text-anchor=\"middle\" "
               "fill=\"currentColor\">%d</text>\n",
               isMarked ? "fig-cell-marked" : "fig-cell", x, y, kCell, kRowHeight,
               isMarked ? kMarkedPaint : kCellPaint, isMarked ? "fig-day-marked" : "fig-day",
               x + kCell / 2, y + kRowHeight / 2 + 5, day);
  }
}

// "Tuesday, March 2, 2021 is day 61 of 2021, week 9 of 2021" as the page
// counts them; the week is left out when the page could not get it.
void answerText(char *dest, std::size_t cap, const DayAnswer &a, long long year) {
  const std::tm &d = a.date;
  int used = svg_snprintf(dest, cap, "%s, %s %d, %lld is day %d of %lld", dow[d.tm_wday],
                          monthNames[d.tm_mon], d.tm_mday, year, d.tm_yday + 1, year);
  if (a.week >= 0 && used > 0 && static_cast<std::size_t>(used) < cap)
    svg_snprintf(dest + used, cap - used, ", week %d of %d", a.week, a.weekYear);
}

}  // namespace

bool draw_quindle_figure(FILE *out, const DayAnswer &a) {
  if (!a.normalised) return false;
  const long long year = a.date.tm_year + 1900LL;
  const MonthGrid g = gridFor(a.date, year);
  const int height = static_cast<int>(kTop + g.rows * kRowHeight + 40);
  char answer[160], title[128], desc[512], caption[400];
  answerText(answer, sizeof answer, a, year);
  svg_snprintf(title, sizeof title, "Calendar of %s %lld with %s %d marked",
               monthNames[a.date.tm_mon], year, monthNames[a.date.tm_mon], a.date.tm_mday);
  svg_snprintf(desc, sizeof desc,
               "The month as a calendar, weeks in rows from Monday, each row headed by its "
               "week number. %s %d, %d was entered. %s.",
               monthNames[a.month - 1], a.day, a.year, answer);
  svg_snprintf(caption, sizeof caption, "%s %d, %d entered: %s.", monthNames[a.month - 1], a.day,
               a.year, answer);
  open_figure(out, "quindle", kWidth, height, title, desc);
  drawHeadings(out, a.date, year);
  drawWeeks(out, a.date, g);
  drawDays(out, g, a.date.tm_mday);
  svg_text(out, "fig-label", kWidth / 2.0, height - 14, "middle", answer);
  close_figure(out, caption);
  return true;
}
