// Certificates that a square cell of a fill holds no local maximum of the distance to a
// boundary C, so that the fill search may drop the cell without refining it.
//
// Why that is enough. Let R be an open region and P a closed set whose boundary part C is where
// d = d(·, P) is positive nearby: outside P, d(x) = d(x, C). The largest value of d over the
// closure of R \ P is attained somewhere; if not on R's own boundary (the other shape's contours,
// which the search measures as pieces), then at a point x* of the open set R \ P where d has a
// local maximum, so where d decreases, or stays, in every direction. The one-sided derivative of
// d at x along a unit vector u is the least of u·(x - y)/|x - y| over x's nearest points y on C
// (a minimum of distances, differentiated). A cell in which every point outside P has a
// direction of positive derivative therefore cannot hold x*, and the largest value lies in the
// cells kept or on the contours.
//
// Both certificates look only at the part of C within `reach` of the cell's centre m, where
// reach >= d(m, C) + 2h for the cell's half diagonal h: every point x of the cell has
// d(x, C) <= d(m, C) + h, so its nearest points lie within d(m, C) + 2h of m. Pieces of C are
// taken by their control points (the curve lies in their hull), with margins that cover the few
// units of rounding by which halving moves them.
#ifndef DISTANCE_FILL_CERTIFICATES_H
#define DISTANCE_FILL_CERTIFICATES_H

#include <vector>

#include "distance/painted_set.h"
#include "distance/point_distance.h"
#include "distance/search_shape.h"

namespace certified {

struct CertificateStore {
  struct Piece {
    CubicCurve curve;
    int segment;
    double t0;
    int depth;
  };
  std::vector<int> nodes;
  std::vector<Piece> pending;
  std::vector<Piece> kept;
  struct Strand {
    std::size_t first, count;
    double vLow, vHigh;   // where it crosses the window's middle, across the axis
    double lower, upper;  // bounds of its distance from the window's centre
  };
  std::vector<Strand> strands;
  struct Wall {
    std::size_t root;
    double vLow, vHigh, lower, upper;
    double thickness;  // how far apart across the axis its strands can be
  };
  std::vector<Wall> walls;
  std::vector<std::size_t> next;
  std::vector<char> hasPrevious, taken;
};

// Every point y of C within `reach` of m lies farther than the half diagonal h behind the line
// through m across u = (m - foot) / |m - foot|: u·(m - y) > h. Then every x of the cell has
// u·(x - y) > 0 for each of its nearest points y (so the cell is clear of C), and u is a
// direction of positive derivative everywhere in it.
bool feetBehindLine(const SearchShape& boundary, Point2 m, Point2 foot, double halfDiagonal,
                    double reach, CertificateStore& store);

// Within a window about m aligned with C's nearest stretch (a rectangle that holds every
// nearest point of the cell's points), C is a few strands: chains of pieces, each starting where
// the one before ends, each the graph of a function over the window's axis (their tangents lie
// within 80 degrees of it) crossing the window from side to side. Strands that touch, cross or
// run within rounding of one another form one wall, whose sides are again such graphs; walls are
// apart. The bands between walls then lie each wholly inside the painted set or wholly outside
// it, which a winding number at one point of each tells. In a band outside it, every point x has
// its nearest points on the nearer of the band's two walls (a segment to anything farther crosses
// a wall first); the certificate asks that, for every point of the cell in the band, one wall be
// nearer than the other. x - y then points away from that
// wall for each nearest point y: along the normal at a smooth point (the other normal leads
// across the wall at once), within the normal cone at a corner or a cusp, whose directions all
// point to x's side when the tangents on both sides of it lie within 80 degrees of the axis. So
// the normal pointing away from that wall is a direction of positive derivative at x. A point
// inside a wall lies within the wall's thickness of C; the certificate holds when every wall is
// at most `enough` thick, and `within` is then the thickest: the distance no such point exceeds.
// `foot`: m's nearest point on C as found, at distance `footDistance`.
bool strandsWithOneSidedFeet(const PaintedSet& other, Point2 m, Foot foot, double footDistance,
                             double halfDiagonal, double reach, double enough, double& within,
                             CertificateStore& store, WindingStore& winding);

// The largest distance from a point of the square (centre m, half side `half`) to the nearest of
// `count` points: over each point's Voronoi cell the distance is convex, so its largest value
// over the square lies at a corner of the square, where a bisector of two points crosses an
// edge, or at the centre of a circle through three points. An upper bound of the distance from
// every point of the square to any set that holds the points (rounding included).
double farthestFromNearest(Point2 m, double half, const Point2* points, int count);

}  // namespace certified

#endif  // DISTANCE_FILL_CERTIFICATES_H
