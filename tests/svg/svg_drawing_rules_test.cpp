// SVG files as browsers draw them, one hand-worked file per rule: <use>, CSS, relative lengths,
// DOCTYPE entities and path data with an error. Each line is a unit long so that the expected
// cubics can be written down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shape_matchers.h"
#include "svg/svg_file.h"

namespace {

std::string svg(const std::string& body, const std::string& rootAttributes = "") {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'" +
         rootAttributes + ">" + body + "</svg>";
}

struct Drawn {
  const char* rule;
  std::string text;
  std::vector<CubicCurve> segments;
  std::string warning;
};

void expectDrawn(const std::vector<Drawn>& cases) {
  for (const Drawn& c : cases) {
    const ShapeRead read = readSvgText(c.text, "");
    ASSERT_TRUE(read.ok) << c.rule << ": " << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, c.segments)) << c.rule;
    EXPECT_EQ(read.warning, c.warning) << c.rule;
  }
}

const std::string kLine = "<line id='l' x2='1'/>";

TEST(SvgUse, CopiesItsTargetAsIfItStoodThere) {
  expectDrawn({
      {"href and x, y",
       svg("<defs>" + kLine + "</defs><use href='#l' x='2' y='3'/>"),
       {straight({2, 3}, {3, 3})},
       ""},
      {"xlink:href, after the transform",
       svg(kLine + "<use xlink:href='#l' transform='scale(2)' x='1'/>"),
       {straight({0, 0}, {1, 0}), straight({2, 0}, {4, 0})},
       ""},
      {"href wins over xlink:href",
       svg(kLine + "<line id='m' y2='1'/><use href='#l' xlink:href='#m' y='5'/>"),
       {straight({0, 0}, {1, 0}), straight({0, 0}, {0, 1}), straight({0, 5}, {1, 5})},
       ""},
      {"a group, its own transform kept",
       svg("<defs><g id='g' transform='translate(10 0)'>" + kLine +
           "</g></defs><use href='#g' y='1'/>"),
       {straight({10, 1}, {11, 1})},
       ""},
      {"a use of a use",
       svg("<defs>" + kLine + "<use id='u' href='#l' x='1'/></defs><use href='#u' x='1'/>"),
       {straight({2, 0}, {3, 0})},
       ""},
      // The symbol's viewBox 0 0 2 2 into the use's 10 x 20: scale 5 (meet), centred vertically.
      {"a symbol with viewBox and the use's size",
       svg("<symbol id='s' viewBox='0 0 2 2'><line x2='2'/></symbol>"
           "<use href='#s' x='1' width='10' height='20'/>"),
       {straight({1, 5}, {11, 5})},
       ""},
      {"a symbol without a use draws nothing", svg("<symbol><line x2='2'/></symbol>"), {}, ""},
      // A nested svg's own width (4) gives way to the use's (8): viewBox 0 0 1 1, scale 8.
      {"a nested svg, the use's width and height first",
       svg("<defs><svg id='n' width='4' height='4' viewBox='0 0 1 1'>" + kLine +
           "</svg></defs>"
           "<use href='#n' width='8' height='8'/>"),
       {straight({0, 0}, {8, 0})},
       ""},
      {"the target hidden by display",
       svg("<defs><line id='h' x2='1' display='none'/></defs><use href='#h'/>"),
       {},
       ""},
      {"visibility inherits from the use",
       svg("<defs>" + kLine + "</defs><use href='#l' visibility='hidden'/>"),
       {},
       ""},
      {"missing targets, the first named",
       svg("<use href='#nowhere'/><use href='#gone'/>"),
       {},
       "line 1, <use>: no element with id 'nowhere', not drawn (and 1 more uses not drawn)"},
      {"a use inside its own target",
       svg("<g id='loop'><use href='#loop'/>" + kLine + "</g>"),
       {straight({0, 0}, {1, 0})},
       "line 1, <use>: refers to its own ancestor, id 'loop' (a cycle), not drawn"},
      {"two uses of each other",
       svg("<defs><use id='a' href='#b'/><use id='b' href='#a'/></defs><use href='#a'/>"),
       {},
       "line 1, <use id='a'>: refers to itself through id 'b' (a cycle), not drawn"},
  });
}

// Ten uses of ten uses of ... a line, eight levels deep: 1e8 copies, stopped at the limit.
TEST(SvgUse, ExponentialCopiesStopWithAMessage) {
  std::string body = "<defs><path id='u0' d='M0 0L1 0'/>";
  for (int level = 1; level <= 8; ++level) {
    body += "<g id='u" + std::to_string(level) + "'>";
    for (int i = 0; i < 10; ++i) body += "<use href='#u" + std::to_string(level - 1) + "'/>";
    body += "</g>";
  }
  body += "</defs><use href='#u8'/>";
  const ShapeRead read = readSvgText(svg(body), "");
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.error.find("(uses of uses multiply); stopped"), std::string::npos) << read.error;
}

// Every limit of the transform attribute, met by the CSS property: a value beyond it refuses the
// file in both forms (the CSS one is not dropped, which would draw the element at another size),
// one within it draws the same segments in both.
TEST(SvgCss, TransformLimitsAreTheAttributes) {
  const std::string longNumber = "1." + std::string(99, '0');
  const struct {
    std::string attribute;
    std::string css;
    std::string attributeError;  // after "SVG text, line 1, "; "" when drawn
    std::string cssError;
  } kCases[] = {
      {"scale(1e151)", "scale(1e151)",
       "<g>: transform, character 7: number '1e151' out of range (magnitude above 1e150)",
       "<g>: CSS transform, character 7: number '1e151' out of range (magnitude above 1e150)"},
      {"translate(0,-2e150)", "translate(0px, -2e150px)",
       "<g>: transform, character 13: number '-2e150' out of range (magnitude above 1e150)",
       "<g>: CSS transform, character 16: number '-2e150' out of range (magnitude above 1e150)"},
      {"matrix(1 0 0 1 0 1e151)", "matrix(1,0,0,1,0,1e151)",
       "<g>: transform, character 18: number '1e151' out of range (magnitude above 1e150)",
       "<g>: CSS transform, character 18: number '1e151' out of range (magnitude above 1e150)"},
      {"rotate(1e151)", "rotate(1e151deg)",
       "<g>: transform, character 8: number '1e151' out of range (magnitude above 1e150)",
       "<g>: CSS transform, character 8: number '1e151' out of range (magnitude above 1e150)"},
      {"scale(" + longNumber + ")", "scale(" + longNumber + ")",
       "<g>: transform, character 7: number longer than 100 characters",
       "<g>: CSS transform, character 7: number longer than 100 characters"},
      {"skewX(90)", "skewX(90deg)",
       "<g>: transform, character 1: 'skewX' by 90 degrees (or 270) has no finite matrix",
       "<g>: CSS transform, character 1: 'skewX' by 90 degrees (or 270) has no finite matrix"},
      {"skewY(-90)", "skewY(-0.25turn)",
       "<g>: transform, character 1: 'skewY' by 90 degrees (or 270) has no finite matrix",
       "<g>: CSS transform, character 1: 'skewY' by 90 degrees (or 270) has no finite matrix"},
      {"translate(9.6e151)", "translate(1e149in)",
       "<g>: transform, character 11: number '9.6e151' out of range (magnitude above 1e150)",
       "<g>: CSS transform, character 11: length '1e149in' out of range (magnitude above 1e150 "
       "px)"},
      {"scale(1e100) scale(1e100)", "scale(1e100) scale(1e100)",
       "<path>: reaches a coordinate beyond 1e150 (transforms applied)",
       "<path>: reaches a coordinate beyond 1e150 (transforms applied)"},
      {"scale(1e150)", "scale(1e150)", "", ""},
      {"skewX(89.9) rotate(-1e150)", "skewX(89.9deg) rotate(-1e150deg)", "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.attribute);
    const ShapeRead attribute =
        readSvgText(svg("<g transform='" + c.attribute + "'><path d='M0 0L1 1'/></g>"), "");
    const ShapeRead css =
        readSvgText(svg("<g style='transform: " + c.css + "'><path d='M0 0L1 1'/></g>"), "");
    if (c.attributeError.empty()) {
      ASSERT_TRUE(attribute.ok) << attribute.error;
      ASSERT_TRUE(css.ok) << css.error;
      EXPECT_TRUE(sameSegments(attribute.shape.segments, css.shape.segments));
      EXPECT_EQ(css.warning, "");
    } else {
      EXPECT_EQ(attribute.error, "SVG text, line 1, " + c.attributeError);
      EXPECT_EQ(css.error, "SVG text, line 1, " + c.cssError);
    }
  }
}

TEST(SvgCss, SheetsAndStyleAttributesCascade) {
  const std::string l1 = "<line x2='1'", l2 = "<line y2='1'";
  expectDrawn({
      {"a class hidden",
       svg("<style>.hidden{display:none}</style>" + l1 + " class='a hidden'/>" + l2 + "/>"),
       {straight({0, 0}, {0, 1})},
       ""},
      {"type, id, universal and grouping",
       svg("<style>circle, #two { display: none } * { visibility: visible }</style>" + l1 +
           " id='two'/><circle r='1'/>" + l2 + "/>"),
       {straight({0, 0}, {0, 1})},
       ""},
      {"descendant and child combinators",
       svg("<style>g > line{display:none} svg line.keep{display:inline}</style>"
           "<g><a>" +
           l1 + " class='keep'/></a>" + l2 + "/></g>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"attribute selectors",
       svg("<style>[data-x]{display:none} line[id^=ke]{display:inline}</style>" + l1 +
           " data-x='1' id='keep'/>" + l2 + " data-x=''/>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"specificity before order",
       svg("<style>#a{display:inline} line{display:none}</style>" + l1 + " id='a'/>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"later rule wins at equal specificity",
       svg("<style>.a{display:none} .b{display:inline}</style>" + l1 + " class='a b'/>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"the style attribute beats the sheet",
       svg("<style>#a{display:none}</style>" + l1 + " id='a' style='display:inline'/>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"!important in the sheet beats the style attribute",
       svg("<style>#a{display:none !important}</style>" + l1 + " id='a' style='display:inline'/>"),
       {},
       ""},
      {"the sheet beats the presentation attribute",
       svg("<style>line{display:inline}</style>" + l1 + " display='none'/>"),
       {straight({0, 0}, {1, 0})},
       ""},
      {"visibility from a sheet",
       svg("<style>g{visibility:hidden}</style><g>" + l1 + "/></g>"),
       {},
       ""},
      {"CSS transform in px, before the attribute",
       svg(l1 + " transform='translate(5)' style='transform: translate(10px, 0)'/>"),
       {straight({10, 0}, {11, 0})},
       ""},
      {"CSS rotate in turn and rad",
       svg(l1 + " style='transform:rotate(0.25turn)'/>" + l1 +
           " style='transform:rotate(3.141592653589793rad)'/>"),
       {straight({0, 0}, {0, 1}), straight({0, 0}, {-1, 0})},
       ""},
      {"CSS scale and translateY from a sheet",
       svg("<style>.s{transform: translateY(2px) scale(3)}</style>" + l1 + " class='s'/>"),
       {straight({0, 2}, {3, 2})},
       ""},
      {"a selector it cannot read never matches",
       svg("<style>line:first-child, line ~ line {display:none} line{stroke:red}</style>" + l1 +
           "/>"),
       {straight({0, 0}, {1, 0})},
       "CSS it cannot read skipped (2 selectors, first 'line:first-child')"},
      {"@media is skipped with its rules",
       svg("<style>@media print { line{display:none} }</style>" + l1 + "/>"),
       {straight({0, 0}, {1, 0})},
       "CSS it cannot read skipped (1 at-rule, first '@media')"},
  });
}

TEST(SvgLengths, PercentagesAndFontUnits) {
  expectDrawn({
      {"percentages of the viewBox",
       svg("<rect width='100%' height='50%'/>", " viewBox='0 0 40 20'"),
       {straight({0, 0}, {40, 0}), straight({40, 0}, {40, 10}), straight({40, 10}, {0, 10}),
        straight({0, 10}, {0, 0})},
       ""},
      {"percentages of width and height without a viewBox",
       svg("<line x1='10%' y1='10%' x2='50%' y2='10%'/>", " width='200' height='100'"),
       {straight({20, 10}, {100, 10})},
       ""},
      // r as a percentage of the normalised diagonal sqrt((30² + 40²) / 2) = 35.355...
      {"r of the diagonal, here drawn degenerate",
       svg("<circle r='0%'/>", " viewBox='0 0 30 40'"),
       {},
       ""},
      {"the default 300 x 150 viewport",
       svg("<line x2='10%' y2='10%'/>"),
       {straight({0, 0}, {30, 15})},
       ""},
      {"em and ex at 16 px", svg("<line x2='2em' y2='1ex'/>"), {straight({0, 0}, {32, 8})}, ""},
      {"a nested svg's viewport for its content",
       svg("<svg x='5' width='50%' height='10'><line x2='100%'/></svg>", " viewBox='0 0 40 20'"),
       {straight({5, 0}, {25, 0})},
       ""},
  });
  const ShapeRead circle = readSvgText(svg("<circle r='10%'/>", " viewBox='0 0 30 40'"), "");
  ASSERT_TRUE(circle.ok) << circle.error;
  EXPECT_NEAR(circle.shape.segments.front().p[0].x, 3.5355339059327378, 1e-12);
}

TEST(SvgEntities, InternalEntitiesAreExpandedAndBounded) {
  const std::string doctype =
      "<?xml version='1.0'?>\n<!DOCTYPE svg PUBLIC '-//W3C//DTD SVG 1.1//EN' "
      "'http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd' [\n"
      "  <!ENTITY ns_svg 'http://www.w3.org/2000/svg'>\n"
      "  <!ENTITY len \"3\">\n  <!ENTITY twice '&len;&len;'>\n"
      "  <!ENTITY outside SYSTEM 'http://example.invalid/never'>\n  <!ENTITY % param 'x'>\n]>\n";
  expectDrawn({
      {"in the namespace, an attribute and content",
       doctype + "<svg xmlns='&ns_svg;'><line x2='&twice;'/><text>&outside;</text></svg>",
       {straight({0, 0}, {33, 0})},
       "skipped 1 text"},
      {"a comment keeps its text",
       doctype + "<svg xmlns='&ns_svg;'><!-- &len; --><line x2='&len;'/></svg>",
       {straight({0, 0}, {3, 0})},
       ""},
  });
  // A DOCTYPE after the root element (here in a comment) declares nothing.
  const ShapeRead late =
      readSvgText(svg("<!-- <!DOCTYPE svg [<!ENTITY a '5'>]> --><line x2='&a;'/>"), "");
  EXPECT_FALSE(late.ok);
  EXPECT_EQ(late.error, "SVG text, line 1, <line>: attribute x2 '&a;': not a length");
  std::string laughs = "<!DOCTYPE svg [<!ENTITY l0 'lololololololololololol'>";
  for (int i = 1; i <= 9; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " '";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "'>";
  }
  laughs += "]><svg><desc>&l9;</desc></svg>";
  const ShapeRead bomb = readSvgText(laughs, "");
  EXPECT_FALSE(bomb.ok);
  EXPECT_NE(bomb.error.find("beyond 64 MiB"), std::string::npos) << bomb.error;
  const ShapeRead selfReference =
      readSvgText("<!DOCTYPE svg [<!ENTITY a 'x&b;'><!ENTITY b '&a;'>]><svg>&a;</svg>", "");
  EXPECT_FALSE(selfReference.ok);
  EXPECT_EQ(selfReference.error, "SVG text: entity 'a' refers to itself");
}

TEST(SvgPathErrors, FilesDrawUpToTheErrorWithOneWarning) {
  expectDrawn({
      {"a command cut short",
       svg("<path d='M0 0L1 0L2'/>"),
       {straight({0, 0}, {1, 0})},
       "line 1, <path> drawn up to the error in its path data, character 11: expected a number "
       "after 'L', found the end"},
      {"two paths, the first named",
       svg("<path id='a' d='M0 0L1 0 x'/><path d='M0 0 L0 1 L'/>"),
       {straight({0, 0}, {1, 0}), straight({0, 0}, {0, 1})},
       "line 1, <path id='a'> drawn up to the error in its path data, character 10: expected a "
       "path command, found 'x' (and 1 more paths with errors)"},
  });
}

}  // namespace
