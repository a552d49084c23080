// What every answer figure shares: the <figure> with its SVG frame, title,
// text alternative and caption; text made safe for XML; numbers written with
// a full stop whatever the process's locale, without printf's slow path for
// floating point; and the step of a scale.
#ifndef PAGE_SVG_H
#define PAGE_SVG_H

#include <cstddef>
#include <cstdio>

// Characters of visitor text a label shows before it is cut with an ellipsis.
inline constexpr std::size_t kLabelChars = 24;
// A text shown whole.
inline constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

// The printf family for the figures' markup: the same bytes as printf in the
// "C" locale, whatever the process's locale, with every number written by
// std::to_chars (or an exact shortcut for a few decimals), several times
// faster than printf's floating-point conversion. Understands the
// directives %%, %s, %.Ns, %d, %lld, %zu, %f, %.Nf, %g and %.Ng, a number's
// flag +; formatting stops at any other directive.
void svg_printf(FILE *out, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The same into |dest| of |cap| bytes as snprintf: cut to fit, terminated
// when |cap| > 0. Returns the length of the whole text.
int svg_snprintf(char *dest, std::size_t cap, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// Writes |text| as XML character data: a byte that is not part of valid
// UTF-8, a control character other than tab, line feed and carriage return,
// and the non-characters U+FFFE and U+FFFF each become U+FFFD; after
// |max_chars| characters the text is cut and an ellipsis follows; the rest
// goes through html_escape.
void xml_text(FILE *out, const char *text, std::size_t max_chars = kWhole);

// Opens <figure class="answer-figure"> and its <svg> with the viewBox
// 0 0 |width| |height|, role="img", and the <title> and <desc> the svg is
// labelled and described by. |name| ("roots") makes the ids unique per
// figure. |title| and |desc| are written through xml_text.
void open_figure(FILE *out, const char *name, int width, int height, const char *title,
                 const char *desc);

// Closes the svg, writes |caption| (through xml_text) as the <figcaption>
// and closes the figure.
void close_figure(FILE *out, const char *caption);

// <text class=|cls| x y text-anchor=|anchor|> with |text| through xml_text
// cut to |max_chars|. Coordinates print with three decimals.
void svg_text(FILE *out, const char *cls, double x, double y, const char *anchor, const char *text,
              std::size_t max_chars = kWhole);

// The largest of 1, 2 and 5 times a power of ten that is not above |limit|:
// the step between the ticks of a scale. |limit| must be finite and at
// least 1e-301, so that its power of ten is a normal number.
double nice_step(double limit);

// Whether |extent|, a length the figure scales to a fixed size, is one it can
// draw: finite and within [1e-300, 1e300], so that the scale and its ticks
// neither overflow nor vanish.
bool drawable_extent(double extent);

#endif  // PAGE_SVG_H
