// BezierCurve: certified distances between shapes made of planar cubic Bézier curves.
//
// Everything here is plain data and free functions in namespace beziercurve. A distance is an
// interval [lower, upper] that always holds the true distance between the two figures, with
// floating-point rounding accounted for, as narrow as the tolerance asks. Readers turn SVG path
// data, SVG files and font glyphs into shapes (sets of cubics) exactly as the input draws them,
// or, where a figure has no exact cubic form (elliptical arcs), within a declared error that the
// distances then include.
//
// Threads: every function may be called from several threads at once on different or shared
// const arguments, except viewerHausdorff (see there). Nothing here keeps state between calls.
//
// Link with the CMake target BezierCurve::BezierCurve (find_package(BezierCurve)) or with
// `pkg-config --cflags --libs beziercurve`.
#ifndef BEZIERCURVE_BEZIERCURVE_H
#define BEZIERCURVE_BEZIERCURVE_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "beziercurve/version.h"

#define BEZIERCURVE_API __attribute__((visibility("default")))

namespace beziercurve {

// The library's version, "MAJOR.MINOR.PATCH", as it was built (BEZIERCURVE_VERSION is the one
// the program was compiled against).
BEZIERCURVE_API const char* version();

// ---------------------------------------------------------------------------------------------
// Shapes

// A point in the shape's units.
struct Point {
  double x;
  double y;
};

// A cubic Bézier curve: P0 at parameter 0, P3 at parameter 1. `Cubic c{x0, y0, x1, y1, x2, y2,
// x3, y3};` fills the points in order.
struct Cubic {
  Point p[4];
};

// Which points a set of closed contours fills: those off the contours whose winding number is
// not 0 (nonzero), or is odd (evenodd).
enum class FillRule : unsigned char { kNonzero, kEvenOdd };

// A run of consecutive segments drawn as one piece, each starting exactly where the one before
// it ends: a subpath of SVG path data, a glyph's contour.
struct Contour {
  int firstSegment;
  int segmentCount;  // at least 1
  // Its last segment ends exactly where its first starts. An open contour is closed for filling
  // by the line from its end back to its start, as SVG and fonts fill it; that line is part of
  // the filled region's boundary, not of the drawn outline.
  bool closed;
};

// Contours painted together: an SVG element (or a copy a <use> makes), a glyph, a path. Its
// painted set is the region its contours fill under `rule`, together with the contours
// themselves; with `filled` false (fill="none") it is the contours alone.
struct Paint {
  int firstContour;
  int contourCount;  // at least 1
  bool filled;
  FillRule rule;
};

// A set of cubics: one curve, a path, a file's drawing or a glyph's outline, with the contours
// they form and the paints that fill them. Readers set all of it; a shape put together by hand
// may leave `contours` and `paints` empty.
struct Shape {
  // In input order; a segment's index is its position here. A zero-length segment is a point
  // of the shape.
  std::vector<Cubic> segments;
  // A bound on the Hausdorff (and Fréchet) distance between the segments and the figure they
  // stand for: 0 when exact, positive when arcs were approximated. Distances include it.
  double approximationError = 0.0;
  // The segments' contours, in order: the first starts at segment 0, each next one where the
  // one before it ends (firstSegment + segmentCount), and the last ends at the last segment.
  // Empty when not known: the segments then form runs wherever each starts exactly where the
  // previous one ends.
  std::vector<Contour> contours = {};
  // The contours' paints, covering every contour in order the same way. Empty: one paint of
  // every contour, filled under the nonzero rule.
  std::vector<Paint> paints = {};
};

// Readers refuse coordinates of larger magnitude, and distances need shapes within it: every
// difference and sum of squares then stays finite.
constexpr double kMaxCoordinate = 1e150;

// The tolerance distances are computed to unless asked otherwise, in the shapes' units.
constexpr double kDefaultTolerance = 1e-3;

// The error readers cut arcs to unless asked otherwise: a quarter of the default tolerance, so
// that two readings of one figure leave half of it to the search.
constexpr double kDefaultArcError = 2.5e-4;

// The point of `curve` at t in [0, 1]: exactly P0 at 0 and exactly P3 at 1.
BEZIERCURVE_API Point pointAt(const Cubic& curve, double t);

// Why `shape` cannot be measured, as one line ("it draws no segment", "segment 3, point 2: x
// is not finite", "segment 1, point 0: y 2e+150 is beyond 1e150", "its approximation error is
// not a finite number, 0 or more", or a structure that does not describe the segments:
// "contour 1 starts at segment 5, not at 4 where the one before it ends", "contour 0 is marked
// closed but does not end where it starts", "paints end at contour 2 of 3"); "" when it can.
BEZIERCURVE_API std::string shapeProblem(const Shape& shape);

// The shape's contours: its own, or when it has none the runs of segments in which each starts
// exactly where the one before it ends (closed where a run ends where it starts).
BEZIERCURVE_API std::vector<Contour> contoursOf(const Shape& shape);

// The shape's paints over contoursOf(shape): its own, or when it has none one paint of every
// contour, filled under `rule`.
BEZIERCURVE_API std::vector<Paint> paintsOf(const Shape& shape, FillRule rule = FillRule::kNonzero);

// ---------------------------------------------------------------------------------------------
// Readers

enum class ReadFailure {
  kNone,
  kFile,     // the file is missing, unreadable, a directory, too large, or named with a NUL
  kContent,  // it was read, and what it holds is refused
};

struct ShapeRead {
  bool ok = false;
  // When ok: every coordinate finite and within kMaxCoordinate, with its contours and paints
  // (path data: one paint of every subpath, filled under the nonzero rule; SVG files: one paint
  // per element drawn, with its fill-rule, unfilled where its fill is none). May have no
  // segments (input that draws nothing); shapeProblem says so.
  Shape shape;
  // When !ok: one line of printable text, no newline, naming where the fault is, e.g.
  // "path data, character 7: expected a number" or
  // "drawing.svg, line 12, <rect id='frame'>: attribute width '-1': negative".
  std::string error;
  ReadFailure failure = ReadFailure::kNone;
  // One line or empty: what was read but not drawn, e.g. "skipped 2 text, 1 clipPath".
  std::string warning;
};

// SVG path data (a <path>'s d attribute): the whole grammar, absolute and relative, with
// implicit repeats and compact numbers. Lines and quadratics become cubics exactly; arcs become
// cubics within `arcError` (> 0). On a refusal `shape` holds what SVG draws for such data: the
// commands before the faulty one. Linear in the length of the data.
BEZIERCURVE_API ShapeRead readPathData(std::string_view data, double arcError = kDefaultArcError);

// An SVG file's drawing as a browser draws it: paths and basic shapes under their transforms,
// uses, nested svg elements and the CSS that hides or moves them, in the root's user units (y
// down). `elementId` non-empty reads that element alone (a group with its content), under its
// ancestors' transforms. Never fetches anything outside the file.
BEZIERCURVE_API ShapeRead readSvgFile(const std::string& path, const std::string& elementId = "",
                                      double arcError = kDefaultArcError);

// The same for SVG text in memory; messages call it "SVG text".
BEZIERCURVE_API ShapeRead readSvgText(std::string_view xml, const std::string& elementId = "",
                                      double arcError = kDefaultArcError);

// ---------------------------------------------------------------------------------------------
// Glyphs

// One glyph's outline in font units, y up, with every point where the font stores it: closed
// contours of cubics (quadratic outlines elevated exactly), one Contour for each font contour
// that draws something, and one paint of them all, filled under the nonzero rule.
// approximationError bounds only what the font's format leaves inexact (variations read through
// FreeType's fixed point).
struct Glyph {
  std::string name;         // the font's name for it (bytes), "" when the font has none
  std::uint32_t codePoint;  // the lowest Unicode code point mapped to it, 0 when none is
  unsigned glyphIndex;
  Shape shape;          // no segments for a glyph that draws nothing (space)
  std::string problem;  // "" when read; else why it cannot be read (its shape is then empty)
  // Its advance width in font units at the font's location; NaN when the font gives none.
  double advance = 0.0;
  // The glyphs a TrueType composite places, by glyph index in its own order (a nested
  // composite lists its own); empty for a simple glyph and for CFF outlines.
  std::vector<unsigned> components = {};
};

struct CodePointEntry {
  std::uint32_t codePoint;
  unsigned glyphIndex;
};

struct Font {
  bool ok = false;
  std::string error;  // one line naming the file, when !ok
  ReadFailure failure = ReadFailure::kNone;
  bool hasGlyphNames = false;
  unsigned unitsPerEm = 0;
  std::vector<Glyph> glyphs;            // every glyph of the face, by glyph index
  std::vector<CodePointEntry> charMap;  // the Unicode map, by ascending code point
  // One line each: damage that loses no outline.
  std::vector<std::string> warnings;
  // Its names, by which the fonts of two families are paired: the PostScript name (a named
  // instance of a variable font has its own: the family's prefix, a hyphen and the instance's
  // name without spaces, "Inter-ExtraBold", unless the font names it), the typographic family
  // and style ("Inter", "Extra Bold"; a named instance's style is its name). "" when none.
  std::string postScriptName = "";
  std::string familyName = "";
  std::string styleName = "";
  // A variable font's named instances, in the font's order: each is a location "FONT@NAME".
  std::vector<std::string> instances = {};
};

// Every glyph of a font (OpenType with CFF or TrueType outlines, TrueType, collections).
// `font` is a file name, "FILE#N" for face N (from 0) of a collection, and either may end in
// "@LOCATION" for a variable font: "@wght=700,wdth=100" (axis tags and design values) or
// "@Bold" (a named instance). A glyph that cannot be read has its problem set; the others are
// read. Up to `workers` threads read the glyphs.
BEZIERCURVE_API Font readFont(const std::string& font, int workers = 1);

struct GlyphRead {
  bool ok = false;
  std::string error;  // one line naming the file and the glyph, when !ok
  ReadFailure failure = ReadFailure::kNone;
  unsigned unitsPerEm = 0;
  Glyph glyph;
};

// One glyph: `glyph` is one UTF-8 character ("a", "é"), a code point "U+00E9", or else a glyph
// name ("aacute", ".notdef"). A character the font does not map is an error, never .notdef.
BEZIERCURVE_API GlyphRead readGlyph(const std::string& font, const std::string& glyph);

// The number of glyphs whose problem is set.
BEZIERCURVE_API std::size_t unreadableGlyphs(const Font& font);

// A code point as Unicode writes it: "U+0067", "U+1D0EB".
BEZIERCURVE_API std::string codePointName(std::uint32_t codePoint);

enum class GlyphMatch { kAutomatic, kName, kCodePoint };

// Indices into two fonts' glyph lists.
struct GlyphPairing {
  std::vector<std::pair<std::size_t, std::size_t>> matched;  // (in A, in B)
  // When paired by code point: the code point each pair was matched by, parallel to `matched`.
  std::vector<std::uint32_t> codePoints;
  std::vector<std::size_t> onlyInA;
  std::vector<std::size_t> onlyInB;
  bool byName = false;
};

// Pairs glyphs by name (in A's order; an empty or repeated name pairs with nothing) or by code
// point (each pair of glyphs once, under its lowest shared code point). Automatic: by name when
// both fonts have names, else by code point.
BEZIERCURVE_API GlyphPairing matchGlyphs(const Font& a, const Font& b,
                                         GlyphMatch match = GlyphMatch::kAutomatic);

// ---------------------------------------------------------------------------------------------
// Distances

// A point of a shape: its segment, the parameter on it, and the segment's point there; or, for
// the fill measure, a point of a fill on none of the segments (segment kFillPoint, t 0): inside
// the fill, or on the line that closes an open contour for filling.
struct ShapePoint {
  int segment;
  double t;
  Point point;
};

constexpr int kFillPoint = -1;

// What the Hausdorff distance is taken between.
enum class Measure {
  // The shapes' segments as sets of points: their outlines, lines of no width.
  kOutline,
  // What the shapes paint: each paint's filled region (its closed contours under its rule; an
  // open contour closed by the line back to its start) together with its contours, or the
  // contours alone for a paint with no fill. Far below the outline distance when outlines
  // differ but paint the same (overlapping contours against their union); attained inside a
  // fill where one shape paints what the other does not (a disc against a ring: the hole's
  // radius). Strokes are not widened.
  kFill,
};

// The certified Hausdorff distance H between two shapes, as `measure` takes them.
struct Distance {
  // lower <= H <= upper, the shapes' approximation errors included.
  double lower;
  double upper;
  // Where H is attained, as far as the tolerance tells: the witness lies on shape A
  // (witnessShape 0) or B (1), and `nearest` is a point of the other shape whose distance from
  // it lies within [lower, upper].
  int witnessShape;
  ShapePoint witness;
  ShapePoint nearest;
  std::int64_t steps;  // pieces refined
  // upper - lower <= the tolerance asked. False only where rounding at the coordinates'
  // magnitude, or the search's size limit, stopped the interval narrowing; it still holds H.
  bool toleranceMet;
};

// Stops a search early: asked, from the thread that runs the search, whether to go on, every few
// dozen refinements (well under a millisecond of work apart; before each new grid of the Fréchet
// search). Returning false ends the search, and the call that ran it throws Interrupted. Empty:
// the search runs to its end.
using KeepGoing = std::function<bool()>;

// What a search throws when its KeepGoing said to stop.
class BEZIERCURVE_API Interrupted : public std::runtime_error {
 public:
  Interrupted();
  // Defined in the library, so that its type (what a catch matches) is the library's one.
  ~Interrupted() override;
};

// H to within `tolerance` (> 0, finite, in the shapes' units). Throws std::invalid_argument
// when a shape cannot be measured ("shape A: it draws no segment", see shapeProblem) or the
// tolerance is not a positive, finite number. The fill measure costs more than the outline
// one: its search also covers each fill with squares, as finely as the outlines' features.
BEZIERCURVE_API Distance hausdorff(const Shape& a, const Shape& b,
                                   double tolerance = kDefaultTolerance,
                                   Measure measure = Measure::kOutline,
                                   const KeepGoing& keepGoing = {});

// Why `tolerance` cannot be asked of a distance, as one line ("tolerance 0: the tolerance must be
// a positive, finite number (such as 1e-6)"); "" when it can.
BEZIERCURVE_API std::string toleranceProblem(double tolerance);

// Why `threshold` cannot be decided, as one line; "" when it can (finite, >= 0).
BEZIERCURVE_API std::string thresholdProblem(double threshold);

enum class Verdict {
  kWithin,     // certainly <= the threshold
  kBeyond,     // certainly > the threshold
  kUndecided,  // the threshold lies within rounding of the distance
};

struct Decision {
  Verdict verdict;
  // Narrowed only as far as the answer needed: upper <= threshold when within, lower >
  // threshold when beyond.
  Distance distance;
};

// Whether H <= threshold (finite, >= 0); throws as hausdorff does. Often much faster than
// computing H to a fine tolerance.
BEZIERCURVE_API Decision within(const Shape& a, const Shape& b, double threshold,
                                Measure measure = Measure::kOutline,
                                const KeepGoing& keepGoing = {});

// Why `shape` is not a path a Fréchet walk can follow, as one line: the first segment that does
// not start exactly where the one before it ends, named through the contour it starts when the
// shape has several ("it has 2 contours (contour 1 starts at segment 4, away from where segment
// 3 ends)"), else by itself ("segment 4 does not start where segment 3 ends"); "" when every
// segment starts where the one before it ends (contours that meet so are one path).
BEZIERCURVE_API std::string pathProblem(const Shape& shape);

// A shape with segments and no pathProblem: a path a Fréchet walk can follow.
BEZIERCURVE_API bool isContinuousPath(const Shape& shape);
// A continuous path that ends where it starts.
BEZIERCURVE_API bool isClosedPath(const Shape& shape);

struct FrechetOptions {
  // Both paths closed: the walkers may start together anywhere and each goes once around.
  bool anyStart = false;
  KeepGoing keepGoing = {};  // see KeepGoing: false stops the search, which throws Interrupted
  // The walk along B may go backwards instead (an open B from its end to its start; a closed B,
  // with anyStart, either way round): F is the lesser of the two ways' distances, and the
  // result's `reversed` says which way won.
  bool eitherDirection = false;
  // frechetByContours: each contour of A is measured against the contour of B it was paired
  // with by shape (least certified Hausdorff upper bound), not the one stored at its place.
  bool pairContours = false;
};

// Where the two walkers are at one moment.
struct Leash {
  ShapePoint onA;
  ShapePoint onB;
};

// The certified Fréchet distance F: the shortest leash that lets one walker go along A and one
// along B, both only forwards.
struct FrechetDistance {
  double lower;  // lower <= F <= upper; lower is also a certified lower bound of H
  double upper;
  // The walk found, as its corners: between consecutive corners each walker moves along its
  // path (one may stand still), and the leash stays within `upper`.
  std::vector<Leash> walk;
  // Where the walk needs its longest leash, to within the interval's width.
  Leash bottleneck;
  std::int64_t steps;
  bool toleranceMet;
  // With eitherDirection: the walk found goes along B backwards (its places on B are B's own
  // segments and parameters all the same).
  bool reversed = false;
  // When toleranceMet is false: why the search ended with the interval it has, as a phrase ("the
  // grid of pieces reached its cap of 2^21 cells", "the search priced its limit of 2^30 grid
  // cells", ...); empty otherwise.
  std::string unmetReason;
};

// The Fréchet search keeps a grid with a cell for every pair of pieces of the two paths, and never
// more cells than this (about 390 MB at most). It starts with a cell for every pair of segments,
// so paths of n and m segments are measured only when n * m is at most kMaxFrechetCells (1,448
// segments each, or 100 against 20,971); when a finer grid would pass it, the search stops with
// the interval it has (toleranceMet false).
constexpr std::size_t kMaxFrechetCells = std::size_t{1} << 21;

// F to within `tolerance`. Throws std::invalid_argument as hausdorff does, for a shape that is
// not one continuous path ("shape B: segment 4 does not start where segment 3 ends: a Fréchet
// walk needs one continuous path", see pathProblem), and, before any work, for paths too large
// for the search ("shape A has 20000 segments and shape B 20000: the Fréchet search needs a cell
// for every pair of segments, and holds at most 2097152 (2^21)").
BEZIERCURVE_API FrechetDistance frechet(const Shape& a, const Shape& b,
                                        double tolerance = kDefaultTolerance,
                                        const FrechetOptions& options = {});

struct FrechetDecision {
  Verdict verdict;
  FrechetDistance distance;
};

// Whether F <= threshold; throws as frechet does.
BEZIERCURVE_API FrechetDecision frechetWithin(const Shape& a, const Shape& b, double threshold,
                                              const FrechetOptions& options = {});

// One contour of A and the contour of B it was measured against (indices over contoursOf, from
// 0), with their Fréchet interval.
struct ContourPair {
  int contourA;
  int contourB;
  bool reversed;  // with eitherDirection: the walk went along B's contour backwards
  double lower, upper;
};

// Shapes of several contours, contour by contour.
struct ContourFrechet {
  // Whether the contours were measured: false when their counts differ and pairContours is off.
  bool measured;
  int contours[2];  // A's and B's contour counts
  // The largest of the pairs' Fréchet distances: it lies between their largest lower and largest
  // upper bound, so the interval is no wider than the widest pair's; toleranceMet when it is at
  // most the tolerance wide. witness and nearest are the bottleneck of the pair with the largest
  // upper bound, on A and on B (segments of the whole shapes); steps are all the pairs'.
  Distance distance;
  Verdict verdict;                 // deciding: beyond if any pair is, within if all are
  std::vector<ContourPair> pairs;  // in A's contour order
  // With pairContours and counts that differ: the contours left without a partner.
  std::vector<int> unmatchedA, unmatchedB;
  // When distance.toleranceMet is false: why, for the widest pair ("contour 2: the search priced
  // its limit of 2^30 grid cells"); empty otherwise.
  std::string unmetReason;
};

// Pairs the contours of A with those of B: each pair (i, j) costs the certified upper bound of the
// Hausdorff distance between contour i of A and contour j of B at `tolerance`, and the pairing is
// an assignment of least total cost (as many pairs as the smaller count; the stored order when
// it costs no more). Past kMaxPairedContours pairs of contours to price, the stored order, and
// the extra contours unmatched. Returns (contour of A, contour of B) in A's order.
constexpr std::size_t kMaxPairedContours = 4096;
BEZIERCURVE_API std::vector<std::pair<int, int>> pairContoursByShape(const Shape& a, const Shape& b,
                                                                     double tolerance);

// The Fréchet distances of the shapes' contours, pair by pair: the stored order (contour k of A
// with contour k of B, counts equal) or, with options.pairContours, the pairing of
// pairContoursByShape. Throws as frechet does.
BEZIERCURVE_API ContourFrechet frechetByContours(const Shape& a, const Shape& b, double tolerance,
                                                 const FrechetOptions& options = {});
// The same, deciding each pair against `threshold` (frechetWithin); `tolerance` only says when
// distance.toleranceMet.
BEZIERCURVE_API ContourFrechet frechetByContoursWithin(const Shape& a, const Shape& b,
                                                       double threshold, double tolerance,
                                                       const FrechetOptions& options = {});

// ---------------------------------------------------------------------------------------------
// Comparing fonts

// `shape` scaled by num / den (B's glyphs brought to A's units per em): each coordinate is
// x num / den with one rounding, and the approximation error grows by that rounding.
BEZIERCURVE_API Shape scaledShape(const Shape& shape, unsigned num, unsigned den);

// A font's names and instances without its glyphs (Font with no glyphs and no character map):
// enough to pair the fonts of two families.
BEZIERCURVE_API Font readFontInfo(const std::string& font);

// Which distance a font comparison measures for each glyph.
enum class GlyphDistance {
  kHausdorff,  // hausdorff(), outlines or fills as `measure` says
  kFrechet,    // frechet(), contour by contour in stored order: the largest of the contours'
};

struct FontComparisonOptions {
  GlyphDistance distance = GlyphDistance::kHausdorff;
  Measure measure = Measure::kOutline;  // for the Hausdorff distance
  bool anyStart = false;                // for the Fréchet distance (FrechetOptions)
  bool eitherDirection = false;         // for the Fréchet distance (FrechetOptions)
  bool pairContours = false;            // for the Fréchet distance (frechetByContours)
  double tolerance = kDefaultTolerance;
  // Decide each glyph against `threshold` (within / frechetWithin) instead of measuring it to
  // the tolerance.
  bool deciding = false;
  double threshold = 0.0;
  GlyphMatch match = GlyphMatch::kAutomatic;
  // B's glyphs and advances are scaled to A's units per em (scaledShape); false compares them
  // in their own units.
  bool scaleToA = true;
  bool metrics = true;  // compare advance widths too
  int workers = 1;      // threads measuring glyphs (the caller's among them)
  // The summary counts glyphs certainly beyond each of these distances, in A's units, and
  // beyond changedBeyond.
  std::vector<double> countsBeyond = {1, 5, 10};
  // What the summary calls a changed glyph: certainly beyond this distance (or, deciding,
  // beyond the threshold); groups and the worst glyphs are taken among these.
  double changedBeyond = 1;
  std::size_t top = 10;  // how many of the worst glyphs the summary keeps
  // Set from any thread (a signal handler too) to stop: glyphs being measured finish, no other
  // starts, and the summary says it was interrupted.
  const std::atomic<bool>* stop = nullptr;
};

enum class GlyphOutcome {
  kMeasured,        // `distance` (and, deciding, `verdict`) hold
  kEmptyInBoth,     // the glyph draws nothing in either font: distance 0
  kEmptyInA,        // draws nothing in A only: there is no distance
  kEmptyInB,        // draws nothing in B only
  kUnreadable,      // the glyph cannot be read in one font or both: see the glyphs' problems
  kContoursDiffer,  // Fréchet: the glyphs have different numbers of contours
  kRefused,         // the search refused the pair: `problem` says why
};

// One glyph pair's result.
struct GlyphRecord {
  std::size_t order;  // its place in the pairing, from 0
  std::size_t inA;    // indices into the fonts' glyph lists
  std::size_t inB;
  // The code point it was paired by (by code point), else A's glyph's lowest; 0 for none.
  std::uint32_t codePoint;
  GlyphOutcome outcome;
  // kRefused: one line. Measured (Fréchet) with distance.toleranceMet false: why the interval
  // did not narrow further (ContourFrechet::unmetReason).
  std::string problem;
  // kMeasured: the interval, in A's units (unless scaleToA is false); for the Fréchet distance
  // the witness and nearest points are the bottleneck's on A and B. kEmptyInBoth: 0.
  Distance distance;
  Verdict verdict;    // deciding: the answer (kBeyond for a glyph empty in one font only)
  int contours[2];    // kContoursDiffer: A's and B's contour counts
  double advance[2];  // A's and B's advance widths (B's scaled with its shape); NaN: not compared
  // Measured and beyond changedBeyond (deciding: beyond the threshold): what the summary calls
  // changed.
  bool changed;
  // Fréchet, measured: each contour pair (frechetByContours), and the contours left without a
  // partner (pairContours with counts that differ; such a glyph counts as changed).
  std::vector<ContourPair> contourPairs;
  std::vector<int> unmatchedA, unmatchedB;
};

// One glyph of A against one of B, in fonts of these units per em, as compareFonts measures it
// (order 0, inA and inB the glyphs' indices). Throws as compareFonts does.
BEZIERCURVE_API GlyphRecord compareGlyph(const Glyph& a, const Glyph& b, unsigned unitsPerEmA,
                                         unsigned unitsPerEmB,
                                         const FontComparisonOptions& options);

// Changed glyphs that place a component which itself changed, by no less than they did: the
// component's change accounts for theirs.
struct ComponentGroup {
  std::size_t component;           // the component's own record
  Distance distance;               // the component's
  std::vector<std::size_t> users;  // those changed records that place it (nested ones too)
};

struct FontComparison {
  bool ok = false;
  std::string error;  // when !ok: why the fonts cannot be compared
  unsigned unitsPerEm[2] = {0, 0};
  double scaleB = 1.0;  // B's coordinates were multiplied by this
  GlyphPairing pairing;
  std::size_t compared = 0;  // records delivered
  std::size_t emptyInBoth = 0, emptyInOne = 0, unreadable = 0, refused = 0;
  // For each of countsBeyond and changedBeyond, in increasing order (each once): the distance
  // and the glyphs whose lower bound exceeds it.
  std::vector<std::pair<double, std::size_t>> beyond;
  std::size_t changed = 0;  // records beyond changedBeyond (deciding: beyond the threshold)
  std::size_t within = 0, beyondThreshold = 0, undecided = 0;  // deciding
  // The measured glyph with the largest upper bound (not deciding); `largest.order` is
  // kNoRecord when no glyph was measured.
  GlyphRecord largest{};
  // The changed glyphs with the largest upper bounds, largest first (not deciding), at most
  // `top`.
  std::vector<GlyphRecord> worst;
  // Largest groups first, at most `top`: each changed component placed by at least two changed
  // glyphs whose lower bounds do not exceed its upper bound.
  std::vector<ComponentGroup> groups;
  std::size_t advancesDiffer = 0;  // compared advance widths that are not equal
  double largestAdvanceDifference = 0;
  bool interrupted = false;
  double seconds = 0;
};

constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

// Compares every glyph the fonts share (matchGlyphs), measuring on `workers` threads, and calls
// `onRecord` with each record in the pairing's order as soon as it and every one before it are
// done (from one thread at a time, not necessarily the caller's). `onRecord` returning false
// stops the comparison as `stop` does. Throws std::invalid_argument for a tolerance or
// threshold that cannot be asked.
BEZIERCURVE_API FontComparison
compareFonts(const Font& a, const Font& b, const FontComparisonOptions& options,
             const std::function<bool(const GlyphRecord&)>& onRecord);

// Two lists of fonts paired for a family comparison.
struct FontFilePairing {
  std::vector<std::pair<std::string, std::string>> pairs;  // font arguments, A's order
  std::vector<std::string> onlyInA;
  std::vector<std::string> onlyInB;
  std::vector<std::string> errors;  // fonts that cannot be read, one line each
};

// The fonts an operand names: a folder's font files (.otf, .ttf, .otc, .ttc, sorted by name;
// with "FOLDER@instances" every variable one as its named instances), "FONT@instances" each
// named instance of a variable font ("FONT@NAME"), or else the operand itself.
BEZIERCURVE_API std::vector<std::string> fontsOf(const std::string& operand, std::string& error);

// Pairs fonts by PostScript name, then what is left by typographic family and style (letter case
// and spaces aside); a font whose key another font of its side already took is left unpaired.
BEZIERCURVE_API FontFilePairing pairFonts(const std::vector<std::string>& a,
                                          const std::vector<std::string>& b);

// ---------------------------------------------------------------------------------------------
// Pictures

struct Picture {
  const Shape* a;          // drawn in black (null: nothing)
  const Shape* b;          // drawn in blue
  Distance result;         // its witness and nearest points make the red arrow
  std::string caption;     // one line above the shapes (UTF-8), e.g. the interval
  bool yUp;                // true for mathematical and font coordinates, false for SVG's
  std::string nameA = "";  // what the legend calls the operands; empty: "A" and "B"
  std::string nameB = "";
  bool fill = false;  // also draw the shapes' fills, lightly, under their outlines
};

// An 800 x 800 SVG picture of a Hausdorff result: both shapes fitted to it, their control
// polygons, the witness arrow (ids "witness-arrow", "witness-marker", "nearest-marker"), an
// inset magnifying the arrow when it is small, the caption and a legend.
BEZIERCURVE_API std::string pictureSvg(const Picture& picture);

// A Fréchet result: the same picture with `leashes` (a point of A, a point of B: the walk at
// evenly spaced moments) drawn lightly and the bottleneck leash (picture.result.witness on A to
// picture.result.nearest on B) in red.
BEZIERCURVE_API std::string frechetPictureSvg(const Picture& picture,
                                              const std::vector<std::pair<Point, Point>>& leashes);

// ---------------------------------------------------------------------------------------------
// The viewer's search

// The outcome of the interactive viewer's branch-and-bound search between two single cubics:
// its bounds hold up to the 0.001 radius of its nearest-point searches, not rounding-certified.
struct ViewerSearch {
  double lowerBound;
  double upperBound;
  int witnessCurve;         // 0: the first curve, 1: the second
  double witnessParameter;  // at least 1e-9
  Point witnessPoint;
  double nearestParameter;  // the witness's nearest point on the other curve
  Point nearestPoint;
  int steps;
};

// Runs the viewer's search exactly as the viewer does, writing its trace lines to `trace`
// (nothing when null). Not thread-safe: it uses the viewer's shared search state, so calls must
// not overlap. Throws std::bad_alloc when its queues outgrow memory.
BEZIERCURVE_API ViewerSearch viewerHausdorff(const Cubic& a, const Cubic& b, std::FILE* trace);

// ---------------------------------------------------------------------------------------------
// Text

// `text` as it may appear in a one-line message: control characters, and every byte outside
// printable ASCII when the text is not valid UTF-8, written as \xNN.
BEZIERCURVE_API std::string printableText(std::string_view text);

}  // namespace beziercurve

#endif  // BEZIERCURVE_BEZIERCURVE_H
