// Test support for the answer figures: draw one into memory, read it back
// as XML (expat), pick its elements by class, and check the frame every
// figure shares.
#ifndef TESTSUPPORT_SVG_PARSE_H
#define TESTSUPPORT_SVG_PARSE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/run_program.h"

struct SvgElement {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::string text;  // character data directly inside
};

// The elements of |xml| in document order, or nullopt (with the reason as
// a test failure) when it is not well-formed.
std::optional<std::vector<SvgElement>> parseSvg(const std::string &xml);

// The elements whose class is |cls|, in document order.
std::vector<const SvgElement *> byClass(const std::vector<SvgElement> &all, const std::string &cls);

// The attribute |attr| of |e| read as a number.
double num(const SvgElement &e, const char *attr);

// Fails the calling test unless |xml| is a figure as every answer's is:
// well-formed, a <figure> holding an <svg role="img"> of at most 600 by
// 400 labelled by its <title> and described by its <desc>, a caption, and
// no style or script of any kind.
void expectFigureFrame(const std::string &xml);

// What |draw| writes to its stream, or "" when it returns false (there is
// no figure, and what it wrote is not kept).
template <class Draw>
std::string drawFigure(Draw &&draw) {
  bool drawn = false;
  std::string svg = capture([&](FILE *out) { drawn = draw(out); });
  return drawn ? svg : "";
}

// A parameterised case's name: its |name|.
template <class Case>
std::string caseName(const testing::TestParamInfo<Case> &info) {
  return info.param.name;
}

#endif  // TESTSUPPORT_SVG_PARSE_H
