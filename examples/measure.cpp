// Prints the certified Hausdorff distance between two shapes given as SVG path data:
//
//   $ measure 'M 0 0 L 1 0' 'M 0 1 L 1 1'
//   distance in [0.99999999999954525, 1.0000000000004547] (tolerance 0.001)
//   libbeziercurve 2.0.0, built against 2.0.0
//
// Exits with 2 and the reader's message when either argument cannot be read, and with 1 when a
// shape cannot be measured (it draws nothing).
#include <cstdio>
#include <stdexcept>
#include <utility>

#include <beziercurve/beziercurve.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PATH_DATA_A PATH_DATA_B\n", argv[0]);
    return 2;
  }
  beziercurve::Shape shapes[2];
  for (int i = 0; i < 2; ++i) {
    beziercurve::ShapeRead read = beziercurve::readPathData(argv[i + 1]);
    if (!read.ok) {
      std::fprintf(stderr, "shape %c: %s\n", "AB"[i], read.error.c_str());
      return 2;
    }
    shapes[i] = std::move(read.shape);
  }
  try {
    beziercurve::Distance d = beziercurve::hausdorff(shapes[0], shapes[1]);
    std::printf("distance in [%.17g, %.17g] (tolerance %g)\n", d.lower, d.upper,
                beziercurve::kDefaultTolerance);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("libbeziercurve %s, built against %s\n", beziercurve::version(), BEZIERCURVE_VERSION);
  return 0;
}
