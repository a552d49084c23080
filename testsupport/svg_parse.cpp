#include "testsupport/svg_parse.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Parsed {
  std::vector<SvgElement> elements;  // in document order
  std::vector<std::size_t> open;     // indexes of the elements being read
};

void onStart(void *data, const XML_Char *name, const XML_Char **attrs) {
  auto *p = static_cast<Parsed *>(data);
  SvgElement e{name, {}, {}};
  for (int i = 0; attrs[i] != nullptr; i += 2) e.attrs[attrs[i]] = attrs[i + 1];
  p->open.push_back(p->elements.size());
  p->elements.push_back(e);
}

void onEnd(void *data, const XML_Char *) { static_cast<Parsed *>(data)->open.pop_back(); }

void onText(void *data, const XML_Char *s, int len) {
  auto *p = static_cast<Parsed *>(data);
  if (!p->open.empty()) p->elements[p->open.back()].text.append(s, len);
}

}  // namespace

std::optional<std::vector<SvgElement>> parseSvg(const std::string &xml) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &parsed);
  XML_SetElementHandler(parser, onStart, onEnd);
  XML_SetCharacterDataHandler(parser, onText);
  const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  if (!ok)
    ADD_FAILURE() << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                  << XML_GetCurrentLineNumber(parser) << " of\n"
                  << xml.substr(0, 2000);
  XML_ParserFree(parser);
  if (!ok) return std::nullopt;
  return parsed.elements;
}

std::vector<const SvgElement *> byClass(const std::vector<SvgElement> &all,
                                        const std::string &cls) {
  std::vector<const SvgElement *> found;
  for (const SvgElement &e : all) {
    auto at = e.attrs.find("class");
    if (at != e.attrs.end() && at->second == cls) found.push_back(&e);
  }
  return found;
}

double num(const SvgElement &e, const char *attr) { return std::stod(e.attrs.at(attr)); }

void expectFigureFrame(const std::string &xml) {
  auto parsed = parseSvg(xml);
  ASSERT_TRUE(parsed);
  const std::vector<SvgElement> &all = *parsed;
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(all[0].name, "figure");
  EXPECT_EQ(all[0].attrs.at("class"), "answer-figure");
  const SvgElement &svg = all[1];
  ASSERT_EQ(svg.name, "svg");
  EXPECT_EQ(svg.attrs.at("role"), "img");
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(svg.attrs.at("viewBox").c_str(), "0 0 %d %d", &width, &height), 2);
  EXPECT_LE(width, 600);
  EXPECT_LE(height, 400);
  EXPECT_EQ(all[2].name, "title");
  EXPECT_EQ(svg.attrs.at("aria-labelledby"), all[2].attrs.at("id"));
  EXPECT_FALSE(all[2].text.empty());
  EXPECT_EQ(all[3].name, "desc");
  EXPECT_EQ(svg.attrs.at("aria-describedby"), all[3].attrs.at("id"));
  EXPECT_EQ(all.back().name, "figcaption");
  EXPECT_FALSE(all.back().text.empty());
  for (const SvgElement &e : all) {
    EXPECT_NE(e.name, "style");
    EXPECT_NE(e.name, "script");
    EXPECT_EQ(e.attrs.count("style"), 0u) << e.name;
    for (const auto &[attr, value] : e.attrs) EXPECT_NE(attr.rfind("on", 0), 0u) << attr;
  }
}
