// The contours and paints the SVG readers record: where subpaths start and whether they close,
// and what each element paints with (fill none or not, fill-rule) after the cascade,
// inheritance, <use> copies and paint servers, one hand-worked file per rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "distance/shape.h"
#include "svg/path_data.h"
#include "svg/svg_file.h"

namespace {

// A contour as "first+count" with "z" when closed, e.g. "0+3z 3+1".
std::string contoursText(const Shape& shape) {
  std::string text;
  for (const Contour& c : shape.contours) {
    text += (text.empty() ? "" : " ") + std::to_string(c.firstSegment) + "+" +
            std::to_string(c.segmentCount) + (c.closed ? "z" : "");
  }
  return text;
}

// A paint as its contour count, "fill" or "none", and the rule: "2 fill evenodd".
std::string paintsText(const Shape& shape) {
  std::string text;
  for (const Paint& p : shape.paints) {
    text += (text.empty() ? "" : ", ") + std::to_string(p.contourCount) +
            (p.filled ? " fill " : " none ") +
            (p.rule == FillRule::kEvenOdd ? "evenodd" : "nonzero");
  }
  return text;
}

TEST(PathDataContours, OnePerSubpathThatDraws) {
  const struct {
    const char* data;
    std::string contours;
  } cases[] = {
      {"", ""},
      {"M 1 2", ""},
      {"M0 0 Z M 1 1 Z", ""},
      {"M0 0L1 0L1 1Z", "0+3z"},
      // Ending where it started closes a subpath without Z.
      {"M0 0L1 0L0 0", "0+2z"},
      {"M0 0L1 0L1 1", "0+2"},
      // Two subpaths that meet end to start stay two.
      {"M0 0L1 0M1 0L2 0", "0+1 1+1"},
      // After Z, drawing goes on from the start in a new subpath; a second Z draws nothing.
      {"M0 0L1 0ZZL0 1", "0+2z 2+1"},
      {"M0 0l1 0z m1 1 l1 0 M 5 5", "0+2z 2+1"},
      {"M0 0 M1 1 L2 2", "0+1"},
      // An arc that ends where it starts draws nothing; two half turns (four eighths each) close.
      {"M0 0 A1 1 0 0 1 0 0 L1 0", "0+1"},
      {"M0 0 A1 1 0 0 1 2 0 A1 1 0 0 1 0 0", "0+8z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data);
    const ShapeRead read = parsePathData(c.data);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(contoursText(read.shape), c.contours);
    EXPECT_EQ(structureProblem(read.shape), "");
    EXPECT_EQ(paintsText(read.shape),
              read.shape.contours.empty()
                  ? ""
                  : std::to_string(read.shape.contours.size()) + " fill nonzero");
  }
}

// A refusal keeps the subpaths drawn before the faulty command, and their structure with them.
TEST(PathDataContours, ARefusalKeepsTheSubpathsBeforeIt) {
  const ShapeRead read = parsePathData("M0 0L1 0L0 0M5 5L6 5L1e200 0");
  ASSERT_FALSE(read.ok);
  EXPECT_EQ(contoursText(read.shape), "0+2z 2+1");
  EXPECT_EQ(structureProblem(read.shape), "");
}

std::string svg(const std::string& body) {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'>" +
         body + "</svg>";
}

const std::string kSquare = "d='M0 0H1V1H0Z'";

TEST(SvgPaints, EachDrawnElementIsOnePaintOfItsOwnContours) {
  const struct {
    const char* rule;
    std::string body;
    std::string contours;
    std::string paints;
  } cases[] = {
      {"a path of two subpaths, a rect, a line, a polyline and a polygon",
       "<path d='M0 0H1V1ZM5 5H6'/><rect width='2' height='1'/><line x2='1'/>"
       "<polyline points='0 0 1 0 1 1'/><polygon points='0 0 1 0 1 1'/>",
       "0+3z 3+1 4+4z 8+1 9+2 11+3z",
       "2 fill nonzero, 1 fill nonzero, 1 fill nonzero, "
       "1 fill nonzero, 1 fill nonzero"},
      {"circles and ellipses close; rounded rects too",
       "<circle r='1'/><ellipse rx='2' ry='1'/><rect width='4' height='4' rx='1'/>", "", ""},
      {"elements that draw nothing make no paint",
       "<rect width='0' height='1'/><path d='M 1 1'/><circle r='0'/><path " + kSquare +
           " display='none'/><path " + kSquare + " visibility='hidden'/><path " + kSquare + "/>",
       "0+4z", "1 fill nonzero"},
      {"<use> copies are paints of their own",
       "<defs><path id='p' " + kSquare + "/></defs><use href='#p'/><use href='#p' x='3'/>",
       "0+4z 4+4z", "1 fill nonzero, 1 fill nonzero"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const ShapeRead read = readSvgText(svg(c.body), "");
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(structureProblem(read.shape), "");
    if (!c.contours.empty()) {
      EXPECT_EQ(contoursText(read.shape), c.contours);
      EXPECT_EQ(paintsText(read.shape), c.paints);
      continue;
    }
    // Curved figures: one closed contour each, whatever the arcs were cut into.
    ASSERT_EQ(read.shape.contours.size(), 3u);
    for (const Contour& contour : read.shape.contours) EXPECT_TRUE(contour.closed);
    EXPECT_EQ(paintsText(read.shape), "1 fill nonzero, 1 fill nonzero, 1 fill nonzero");
  }
}

// What each of a file's elements paints, as a browser computes fill and fill-rule.
TEST(SvgPaints, FillAndFillRuleAsComputed) {
  const std::string p = "<path " + kSquare + "/>";
  const struct {
    const char* rule;
    std::string body;
    std::string paints;
  } cases[] = {
      {"initial values", p, "1 fill nonzero"},
      {"attributes, any letter case",
       "<path " + kSquare + " fill='NONE'/><path " + kSquare + " fill-rule=' EvenOdd '/>",
       "1 none nonzero, 1 fill evenodd"},
      {"inherited from groups, and overridden",
       "<g fill='none' fill-rule='evenodd'>" + p + "<g><path " + kSquare +
           " fill='red' fill-rule='nonzero'/></g></g>",
       "1 none evenodd, 1 fill nonzero"},
      {"inherit, unset and initial",
       "<g fill='none'><path " + kSquare + " fill='inherit'/><path " + kSquare +
           " style='fill:unset'/><path " + kSquare + " fill='initial'/></g>",
       "1 none nonzero, 1 none nonzero, 1 fill nonzero"},
      {"the style attribute over a sheet over the attribute, !important over all",
       "<style>path{fill:none} .k{fill:blue!important}</style><path " + kSquare +
           " fill='red'/><path " + kSquare + " style='fill:red'/><path class='k' " + kSquare +
           " style='fill:none'/>",
       "1 none nonzero, 1 fill nonzero, 1 fill nonzero"},
      {"a sheet's fill-rule", "<style>#e{fill-rule:evenodd}</style><path id='e' " + kSquare + "/>",
       "1 fill evenodd"},
      {"a value that cannot be read takes no part: the next in the cascade or inheritance decides",
       "<g fill='none' fill-rule='evenodd'><path " + kSquare + " fill='bogus' fill-rule='odd'/>" +
           "<path " + kSquare + " fill='#12' style='fill:#1234'/><path " + kSquare +
           " fill='green' style='fill:rgb(1 2 3'/></g>",
       "1 none evenodd, 1 fill evenodd, 1 fill evenodd"},
      {"colours of every form paint",
       "<g fill='none'><path " + kSquare + " fill='transparent'/><path " + kSquare +
           " fill='currentColor'/><path " + kSquare + " fill='hsl(0 0% 0% / 0)'/><path " + kSquare +
           " fill='#abcdef80'/></g>",
       "1 fill nonzero, 1 fill nonzero, 1 fill nonzero, 1 fill nonzero"},
      {"paint servers paint; a reference to none paints the fallback, or nothing",
       "<defs><linearGradient id='g'><stop offset='0'/></linearGradient><pattern id='t'/>"
       "<path id='n' d='M0 0'/></defs><g fill='red'><path " +
           kSquare + " fill='url(#g)'/><path " + kSquare + " fill='url(\"#t\") none'/><path " +
           kSquare + " fill='url(#missing)'/><path " + kSquare +
           " fill='url(#missing) none'/><path " + kSquare + " fill='url(#n) blue'/><path " +
           kSquare + " fill='url(other.svg#g)'/></g>",
       "1 fill nonzero, 1 fill nonzero, 1 none nonzero, 1 none nonzero, 1 fill nonzero, "
       "1 none nonzero"},
      {"a gradient without stops paints nothing, one that takes them from another paints",
       "<defs><linearGradient id='s'><stop offset='0'/></linearGradient>"
       "<radialGradient id='empty'/><radialGradient id='borrowed' xlink:href='#s'/>"
       "<linearGradient id='loop' href='#loop'/></defs><path " +
           kSquare + " fill='url(#empty) red'/><path " + kSquare +
           " fill='url(#borrowed)'/><path " + kSquare + " fill='url(#loop)'/>",
       "1 none nonzero, 1 fill nonzero, 1 none nonzero"},
      {"a <use> copy inherits from the use, not from its original's parents",
       "<defs><g fill='red' fill-rule='nonzero'><path id='c' " + kSquare +
           "/></g></defs><use href='#c' fill='none' fill-rule='evenodd'/>",
       "1 none evenodd"},
      {"context-fill and context-stroke: the use's fill and stroke, nothing outside a use",
       "<defs><path id='f' " + kSquare + " fill='context-fill'/><path id='s' " + kSquare +
           " fill='context-stroke'/></defs><use href='#f' fill='none'/><use href='#f'/>"
           "<use href='#s'/><use href='#s' stroke='red'/><path " +
           kSquare + " fill='context-fill'/>",
       "1 none nonzero, 1 fill nonzero, 1 none nonzero, 1 fill nonzero, 1 none nonzero"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const ShapeRead read = readSvgText(svg(c.body), "");
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(paintsText(read.shape), c.paints);
    EXPECT_EQ(structureProblem(read.shape), "");
  }
}

// An element named by id is painted with what it inherits from its ancestors.
TEST(SvgPaints, ANamedElementInheritsFromItsAncestors) {
  const std::string text = svg("<g fill='none' fill-rule='evenodd'><g id='inner'><path id='e' " +
                               kSquare + "/><path " + kSquare + " fill='red'/></g></g>");
  EXPECT_EQ(paintsText(readSvgText(text, "e").shape), "1 none evenodd");
  EXPECT_EQ(paintsText(readSvgText(text, "inner").shape), "1 none evenodd, 1 fill evenodd");
}

// A transform that collapses an element makes its open contour's ends meet: it is then closed,
// as the structure's own check asks.
TEST(SvgPaints, ContoursClosedAfterTheTransform) {
  const ShapeRead flat =
      readSvgText(svg("<polyline points='0 0 0 1 1 0' transform='scale(0 1)'/>"), "");
  ASSERT_TRUE(flat.ok) << flat.error;
  EXPECT_EQ(contoursText(flat.shape), "0+2z");
  EXPECT_EQ(structureProblem(flat.shape), "");
}

}  // namespace
