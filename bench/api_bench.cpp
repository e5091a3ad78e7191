// api-bench: the time of beziercurve::hausdorff through the public API alone, on pairs read from
// a file, as the baseline the Python module's per-pair cost is measured against
// (bench/python_bench.py writes the file and runs this program on it).
//
//   api-bench FILE TOLERANCE REPEATS
//
// FILE holds one pair a line, two SVG path data separated by a TAB. The pairs are read once;
// then every pair is measured in turn, REPEATS times over. Prints one line:
// "pairs N repeats R median_ns_per_pair X min_ns_per_pair Y checksum Z", the checksum (the sum
// of the upper bounds) tying the run to the Python one on the same pairs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <beziercurve/beziercurve.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: api-bench FILE TOLERANCE REPEATS\n");
    return 2;
  }
  const double tolerance = std::strtod(argv[2], nullptr);
  const int repeats = std::max(1, std::atoi(argv[3]));
  std::ifstream in(argv[1]);
  std::vector<std::pair<beziercurve::Shape, beziercurve::Shape>> pairs;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const beziercurve::ShapeRead a = beziercurve::readPathData(line.substr(0, tab));
    const beziercurve::ShapeRead b = beziercurve::readPathData(line.substr(tab + 1));
    if (!a.ok || !b.ok) {
      std::fprintf(stderr, "api-bench: %s\n", (a.ok ? b : a).error.c_str());
      return 1;
    }
    pairs.emplace_back(a.shape, b.shape);
  }
  if (pairs.empty()) {
    std::fprintf(stderr, "api-bench: no pairs in %s\n", argv[1]);
    return 1;
  }
  std::vector<double> perPair;
  double checksum = 0;
  for (int r = 0; r < repeats; ++r) {
    double sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [a, b] : pairs) sum += beziercurve::hausdorff(a, b, tolerance).upper;
    const auto stop = std::chrono::steady_clock::now();
    perPair.push_back(std::chrono::duration<double, std::nano>(stop - start).count() /
                      static_cast<double>(pairs.size()));
    checksum = sum;
  }
  std::sort(perPair.begin(), perPair.end());
  std::printf("pairs %zu repeats %d median_ns_per_pair %.1f min_ns_per_pair %.1f checksum %.17g\n",
              pairs.size(), repeats, perPair[perPair.size() / 2], perPair.front(), checksum);
  return 0;
}
