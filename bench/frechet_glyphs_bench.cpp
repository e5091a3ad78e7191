// frechet-glyphs-bench: the certified Fréchet distance of every glyph of two fonts, glyph by
// glyph through compareGlyph (the comparison layer, on the public API alone), each timed on its
// own thread's CPU clock. Prints a markdown section: the median and slowest glyph, the whole
// font's CPU time, how many glyphs met the tolerance and why the others did not, and the slowest
// glyphs.
//
//   frechet-glyphs-bench FONT_A FONT_B [TOLERANCE [FIRST_N_GLYPHS [CSV]]]
// measures with any start, either direction and contours paired by shape. With CSV, every
// glyph's row (name, seconds, steps, met, lower, upper) is written there too, for looking at the
// tail.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace {

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timed {
  std::string name;
  double seconds;
  long long steps;
  bool met;
  double lower, upper;
  std::string why;  // when not met
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: frechet-glyphs-bench FONT_A FONT_B [TOLERANCE [FIRST_N [CSV]]]\n");
    return 2;
  }
  const double tolerance = argc > 3 ? std::atof(argv[3]) : 0.01;
  const std::size_t most = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : std::size_t(-1);
  const beziercurve::Font a = beziercurve::readFont(argv[1]);
  const beziercurve::Font b = beziercurve::readFont(argv[2]);
  if (!a.ok || !b.ok) {
    std::fprintf(stderr, "a font was not read\n");
    return 1;
  }
  beziercurve::FontComparisonOptions options;
  options.distance = beziercurve::GlyphDistance::kFrechet;
  options.anyStart = true;
  options.eitherDirection = true;
  options.pairContours = true;
  options.tolerance = tolerance;
  const beziercurve::GlyphPairing pairing = beziercurve::matchGlyphs(a, b);
  std::vector<Timed> timed;
  for (std::size_t k = 0; k < pairing.matched.size() && k < most; ++k) {
    const auto [inA, inB] = pairing.matched[k];
    const double start = threadSeconds();
    const beziercurve::GlyphRecord record = beziercurve::compareGlyph(
        a.glyphs[inA], b.glyphs[inB], a.unitsPerEm, b.unitsPerEm, options);
    const double seconds = threadSeconds() - start;
    if (record.outcome != beziercurve::GlyphOutcome::kMeasured) continue;
    timed.push_back({a.glyphs[inA].name, seconds, static_cast<long long>(record.distance.steps),
                     record.distance.toleranceMet, record.distance.lower, record.distance.upper,
                     record.problem});
  }
  if (timed.empty()) return 1;
  if (argc > 5) {
    std::FILE* csv = std::fopen(argv[5], "w");
    if (!csv) {
      std::fprintf(stderr, "cannot write %s\n", argv[5]);
      return 1;
    }
    std::fprintf(csv, "glyph,seconds,steps,met,lower,upper\n");
    for (const Timed& t : timed) {
      std::fprintf(csv, "%s,%.6f,%lld,%d,%.9g,%.9g\n", t.name.c_str(), t.seconds, t.steps, t.met,
                   t.lower, t.upper);
    }
    std::fclose(csv);
  }
  double total = 0.0;
  int unmet = 0;
  for (const Timed& t : timed) total += t.seconds, unmet += !t.met;
  std::vector<Timed> bySeconds = timed;
  std::sort(bySeconds.begin(), bySeconds.end(),
            [](const Timed& x, const Timed& y) { return x.seconds < y.seconds; });
  std::printf(
      "%zu glyphs measured, tolerance %g: median %.2f ms, slowest %.3f s (%s), all %.1f s "
      "CPU; %d did not meet the tolerance\n\n",
      timed.size(), tolerance, 1e3 * bySeconds[bySeconds.size() / 2].seconds,
      bySeconds.back().seconds, bySeconds.back().name.c_str(), total, unmet);
  // Why the unmet glyphs stopped, without the contour each names.
  std::map<std::string, int> reasons;
  for (const Timed& t : timed) {
    if (t.met) continue;
    const std::size_t colon = t.why.find(": ");
    ++reasons[t.why.empty()                ? "(no reason given)"
              : colon == std::string::npos ? t.why
                                           : t.why.substr(colon + 2)];
  }
  for (const auto& [why, count] : reasons) std::printf("- %d: %s\n", count, why.c_str());
  if (!reasons.empty()) std::printf("\n");
  std::printf("| slowest glyph | CPU | steps | interval |\n|---|---:|---:|---|\n");
  for (std::size_t k = 0; k < 10 && k < bySeconds.size(); ++k) {
    const Timed& t = bySeconds[bySeconds.size() - 1 - k];
    std::printf("| %s | %.3f s | %lld | [%.6f, %.6f]%s |\n", t.name.c_str(), t.seconds, t.steps,
                t.lower, t.upper, t.met ? "" : " not met");
  }
  return 0;
}
