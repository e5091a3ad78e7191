// _beziercurve: the public C++ API as a Python extension. Shapes, results and errors keep the
// API's meaning and words; everything Python hands in is checked here, so that no input, however
// wrong, reaches the library as something it does not promise to take.
//
// Only <beziercurve/beziercurve.h> is used: the module is a client of the library like any other.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

using beziercurve::Cubic;
using beziercurve::Distance;
using beziercurve::Shape;

std::string reprOf(double value) {
  return py::repr(py::float_(value)).cast<std::string>();
}

// The type's name of `value`, for messages: "str", "NoneType".
std::string typeName(py::handle value) {
  return py::str(py::type::of(value).attr("__name__")).cast<std::string>();
}

// repr(value), cut to a length a message can carry.
std::string shortRepr(py::handle value) {
  std::string text = py::repr(value).cast<std::string>();
  if (text.size() > 40)
    text = text.substr(0, 30) + "... (" + std::to_string(text.size()) + " characters)";
  return text;
}

// True and False (Python's, or NumPy's) are not numbers here, although Python counts them as
// integers: tolerance=True is a mistake, not 1.0.
bool isBoolean(py::handle value) {
  if (PyBool_Check(value.ptr())) return true;
  const std::string type = Py_TYPE(value.ptr())->tp_name;
  return type == "numpy.bool_" || type == "numpy.bool";
}

// `value` (`name` = value in the call) as a double: a float, an int or anything with __float__
// (NumPy's scalars), not a bool, not a str. Its range is left to the caller's own checks; an int
// too large for a double is refused here.
double numberOf(py::handle value, const std::string& name) {
  if (isBoolean(value)) {
    throw py::type_error(name + " must be a number, not bool (" + shortRepr(value) + ")");
  }
  if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) ||
      !(PyFloat_Check(value.ptr()) || PyLong_Check(value.ptr()) ||
        PyObject_HasAttrString(value.ptr(), "__float__"))) {
    throw py::type_error(name + " must be a number, not " + typeName(value));
  }
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw py::error_already_set();
    PyErr_Clear();
    throw py::value_error(name + " " + shortRepr(value) +
                          ": too large for a floating-point number");
  }
  return number;
}

// What a failed allocation means to Python: MemoryError naming what was too large.
[[noreturn]] void raiseMemoryError(const std::string& what) {
  PyErr_SetString(PyExc_MemoryError, what.c_str());
  throw py::error_already_set();
}

std::string segmentCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " segment" : " segments");
}

std::string tooLargeToMeasure(const Shape& a, const Shape& b) {
  return "shape A (" + segmentCount(a.segments.size()) + ") against shape B (" +
         segmentCount(b.segments.size()) + "): too large to measure: the search ran out of memory";
}

// The arc error readers take: any positive, finite number.
void requireArcError(double arcError) {
  if (!(arcError > 0.0) || !std::isfinite(arcError)) {
    throw py::value_error("arc_error " + reprOf(arcError) +
                          ": the arc error must be a positive, finite number (such as 0.00025)");
  }
}

// The tolerance hausdorff_many takes, refused in the API's own words before any work.
void requireTolerance(double tolerance) {
  const std::string problem = beziercurve::toleranceProblem(tolerance);
  if (!problem.empty()) throw py::value_error(problem);
}

// Raises what a failed read means to Python: OSError when the file could not be read at all,
// ValueError when what it holds was refused.
[[noreturn]] void raiseReadFailure(beziercurve::ReadFailure failure, const std::string& error) {
  if (failure == beziercurve::ReadFailure::kFile) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  throw py::value_error(error);
}

void warnOf(const std::string& where, const std::string& warning) {
  if (warning.empty()) return;
  // The file's name may be any bytes; the message is printable text.
  py::module_::import("warnings")
      .attr("warn")(beziercurve::printableText(where) + ": " + beziercurve::printableText(warning),
                    "stacklevel"_a = 2);
}

// A name holding a NUL byte names no file (the C library would stop at the NUL and open
// another): refused as open() refuses it, with ValueError.
const std::string& withoutNul(const std::string& name) {
  if (name.find('\0') != std::string::npos) {
    throw py::value_error(beziercurve::printableText(name) +
                          ": a file name cannot contain a NUL byte");
  }
  return name;
}

// A file name as the C library sees it: str, bytes or os.PathLike, in the file system's
// encoding.
std::string fileName(py::handle path) {
  return withoutNul(py::module_::import("os").attr("fsencode")(path).cast<std::string>());
}

// The size of the file `name`, for messages: " (N bytes)", or "" when it cannot be told.
std::string fileSize(const std::string& name) {
  const py::object size = py::module_::import("os").attr("path").attr("getsize");
  try {
    return " (" + std::to_string(size(py::bytes(name)).cast<long long>()) + " bytes)";
  } catch (const py::error_already_set&) {
    return "";
  }
}

// Cubics from anything NumPy reads as an array of shape (n, 4, 2), or (4, 2) for one cubic, of
// integers or floating-point numbers. `where` starts each message ("shape A", "cubics").
// Coordinates are not checked here: see checkedShape.
std::vector<Cubic> cubicsOf(py::handle object, const std::string& where) {
  if (object.is_none() || py::isinstance<py::bytes>(object)) {
    throw py::type_error(where +
                         ": expected SVG path data, a Shape or cubics (an array of shape "
                         "(n, 4, 2)), not " +
                         std::string(py::str(py::type::of(object).attr("__name__"))));
  }
  py::array array;
  try {
    array = py::module_::import("numpy").attr("asarray")(object);
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ValueError) && !e.matches(PyExc_TypeError)) throw;
    throw py::value_error(where + ": cubics must be an array of shape (n, 4, 2) or (4, 2) of " +
                          "numbers; NumPy cannot read this as an array (" + e.what() + ")");
  }
  if (array.ndim() == 0) {
    throw py::type_error(where +
                         ": expected SVG path data, a Shape or cubics (an array of shape "
                         "(n, 4, 2)), not " +
                         std::string(py::str(py::type::of(object).attr("__name__"))));
  }
  std::vector<Cubic> cubics;
  const bool one = array.ndim() == 2 && array.shape(0) == 4 && array.shape(1) == 2;
  const bool many = array.ndim() == 3 && array.shape(1) == 4 && array.shape(2) == 2;
  if (array.size() == 0 && (many || array.ndim() == 1)) return cubics;  // (), [], (0, 4, 2)
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u') {
    throw py::value_error(where + ": coordinates must be real numbers, not " +
                          std::string(py::str(array.dtype())));
  }
  if (!one && !many) {
    std::string shape = "(";
    for (py::ssize_t i = 0; i < array.ndim(); ++i) {
      shape += (i ? ", " : "") + std::to_string(array.shape(i));
    }
    shape += array.ndim() == 1 ? ",)" : ")";
    throw py::value_error(where + ": cubics must be an array of shape (n, 4, 2) or (4, 2), not " +
                          shape);
  }
  // float64, C order: 8 doubles per cubic, x before y, as Cubic holds them.
  const auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
  if (!values) throw py::error_already_set();
  const double* data = values.data();
  const std::size_t count = one ? 1 : static_cast<std::size_t>(array.shape(0));
  cubics.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 4; ++k) cubics[i].p[k] = {data[8 * i + 2 * k], data[8 * i + 2 * k + 1]};
  }
  return cubics;
}

// `shape` unless it cannot be measured for a reason other than having no segment (a shape may
// be empty until it is measured): then ValueError with shapeProblem's words.
Shape checkedShape(Shape shape) {
  Shape probe = shape;
  // Only the error is checked; a structure must describe the segments there are.
  if (probe.segments.empty() && probe.contours.empty() && probe.paints.empty()) {
    probe.segments.push_back(Cubic{});
  }
  const std::string problem = beziercurve::shapeProblem(probe);
  if (!problem.empty()) throw py::value_error(problem);
  return shape;
}

// --- Contours and paints as Python sees them: tuples, the rule by its SVG name ---------------

const char* ruleName(beziercurve::FillRule rule) {
  return rule == beziercurve::FillRule::kEvenOdd ? "evenodd" : "nonzero";
}

beziercurve::FillRule ruleOf(py::handle name, const std::string& where) {
  if (py::isinstance<py::str>(name)) {
    const std::string text = name.cast<std::string>();
    if (text == "nonzero") return beziercurve::FillRule::kNonzero;
    if (text == "evenodd") return beziercurve::FillRule::kEvenOdd;
  }
  throw py::value_error(where + ": the fill rule must be 'nonzero' or 'evenodd', not " +
                        std::string(py::repr(name)));
}

py::tuple contourTuples(const Shape& shape) {
  const std::vector<beziercurve::Contour> contours = beziercurve::contoursOf(shape);
  py::tuple out(contours.size());
  for (std::size_t i = 0; i < contours.size(); ++i) {
    const beziercurve::Contour& c = contours[i];
    out[i] = py::make_tuple(c.firstSegment, c.segmentCount, c.closed);
  }
  return out;
}

py::tuple paintTuples(const Shape& shape) {
  const std::vector<beziercurve::Paint> paints = beziercurve::paintsOf(shape);
  py::tuple out(paints.size());
  for (std::size_t i = 0; i < paints.size(); ++i) {
    const beziercurve::Paint& p = paints[i];
    out[i] = py::make_tuple(p.firstContour, p.contourCount, p.filled, ruleName(p.rule));
  }
  return out;
}

// The items of a sequence of tuples of `arity` items each, or ValueError naming `what` and
// `form` (such as "(first_segment, segment_count, closed)").
std::vector<py::tuple> tuplesOf(py::handle sequence, std::size_t arity, const std::string& what,
                                const std::string& form) {
  std::vector<py::tuple> items;
  const auto refuse = [&](const std::string& where) {
    throw py::value_error(where + ": expected " + form);
  };
  if (!py::isinstance<py::sequence>(sequence) || py::isinstance<py::str>(sequence)) refuse(what);
  const py::sequence all = py::reinterpret_borrow<py::sequence>(sequence);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const py::object item = all[i];
    const std::string where = what + "[" + std::to_string(i) + "]";
    if (!py::isinstance<py::sequence>(item) || py::isinstance<py::str>(item) ||
        py::len(item) != arity) {
      refuse(where);
    }
    items.push_back(py::tuple(item));
  }
  return items;
}

// A whole number that fits an int (True and False are not counts).
int countOf(py::handle value, const std::string& where, const std::string& form) {
  if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) {
    throw py::value_error(where + ": expected " + form);
  }
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow != 0 || number < 0 || number > 0x7fffffff) {
    throw py::value_error(where + ": " + shortRepr(value) + " is not a segment or contour count");
  }
  return static_cast<int>(number);
}

bool flagOf(py::handle value, const std::string& where, const std::string& form) {
  if (!py::isinstance<py::bool_>(value)) throw py::value_error(where + ": expected " + form);
  return value.cast<bool>();
}

std::vector<beziercurve::Contour> contoursFrom(py::handle sequence) {
  const std::string form = "(first_segment, segment_count, closed)";
  std::vector<beziercurve::Contour> contours;
  const std::vector<py::tuple> items = tuplesOf(sequence, 3, "contours", form);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string where = "contours[" + std::to_string(i) + "]";
    contours.push_back({countOf(items[i][0], where, form), countOf(items[i][1], where, form),
                        flagOf(items[i][2], where, form)});
  }
  return contours;
}

std::vector<beziercurve::Paint> paintsFrom(py::handle sequence) {
  const std::string form = "(first_contour, contour_count, filled, fill_rule)";
  std::vector<beziercurve::Paint> paints;
  const std::vector<py::tuple> items = tuplesOf(sequence, 4, "paints", form);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string where = "paints[" + std::to_string(i) + "]";
    paints.push_back({countOf(items[i][0], where, form), countOf(items[i][1], where, form),
                      flagOf(items[i][2], where, form), ruleOf(items[i][3], where)});
  }
  return paints;
}

// The structure asked of a new Shape: contours and paints replace the source's (new contours
// without paints: one filled paint of them all), and a fill rule is set on every paint.
void setStructure(Shape& shape, py::handle contours, py::handle paints, py::handle fillRule) {
  if (!contours.is_none()) {
    shape.contours = contoursFrom(contours);
    shape.paints.clear();
  }
  if (!paints.is_none()) shape.paints = paintsFrom(paints);
  if (fillRule.is_none()) return;
  const beziercurve::FillRule rule = ruleOf(fillRule, "fill_rule");
  if (shape.paints.empty()) shape.paints = beziercurve::paintsOf(shape, rule);
  for (beziercurve::Paint& paint : shape.paints) paint.rule = rule;
}

Shape pathShape(const std::string& data, double arcError, const std::string& where) {
  beziercurve::ShapeRead read = beziercurve::readPathData(data, arcError);
  if (!read.ok) throw py::value_error(where.empty() ? read.error : where + ": " + read.error);
  return std::move(read.shape);
}

// One operand of a measurement: a Shape held by Python (not copied), or one made from path data
// or cubics.
struct Operand {
  const Shape* held = nullptr;
  Shape owned;
  const Shape& get() const { return held ? *held : owned; }
};

// `object` as a shape: a Shape, SVG path data (arcs read to `arcError`) or cubics. Caller holds
// the GIL, and keeps `object` alive as long as the operand.
Operand operandOf(py::handle object, const std::string& where, double arcError) {
  Operand operand;
  if (py::isinstance<Shape>(object)) {
    operand.held = &object.cast<const Shape&>();
  } else if (py::isinstance<py::str>(object)) {
    operand.owned = pathShape(object.cast<std::string>(), arcError, where);
  } else {
    operand.owned.segments = cubicsOf(object, where);
  }
  return operand;
}

// Arcs in path data read for a search to `tolerance` are cut to a quarter of it, as the program
// does, so that both readings together widen the interval by at most half the tolerance.
double arcErrorFor(double tolerance) {
  return tolerance > 0.0 && std::isfinite(tolerance) ? tolerance / 4
                                                     : beziercurve::kDefaultArcError;
}

// A point of a result with the side it lies on: witness or nearest.
struct SidePoint {
  int shape;  // 0: A, 1: B
  beziercurve::ShapePoint at;
};

std::string sideName(int shape) {
  return shape == 0 ? "A" : "B";
}

bool inFill(const SidePoint& p) {
  return p.at.segment == beziercurve::kFillPoint;
}

std::string reprOf(const SidePoint& p) {
  const std::string segment = inFill(p) ? "None" : std::to_string(p.at.segment);
  const std::string t = inFill(p) ? "None" : reprOf(p.at.t);
  return "ShapePoint(shape='" + sideName(p.shape) + "', segment=" + segment + ", t=" + t +
         ", point=(" + reprOf(p.at.point.x) + ", " + reprOf(p.at.point.y) + "))";
}

beziercurve::Measure measureOf(bool fill) {
  return fill ? beziercurve::Measure::kFill : beziercurve::Measure::kOutline;
}

SidePoint witnessOf(const Distance& d) {
  return {d.witnessShape, d.witness};
}
SidePoint nearestOf(const Distance& d) {
  return {1 - d.witnessShape, d.nearest};
}

py::array arrayOf(const Shape& shape) {
  const auto n = static_cast<py::ssize_t>(shape.segments.size());
  py::array_t<double> array({n, py::ssize_t{4}, py::ssize_t{2}});
  double* out = array.mutable_data();
  for (const Cubic& c : shape.segments) {
    for (const beziercurve::Point& p : c.p) {
      *out++ = p.x;
      *out++ = p.y;
    }
  }
  return std::move(array);
}

// What a list of pairs measures: each operand converted while the GIL is held, with the
// objects that hold them kept alive.
struct PairList {
  std::vector<py::object> keep;
  std::vector<std::pair<Operand, Operand>> pairs;
};

PairList pairsOf(py::iterable pairs, double arcError) {
  PairList list;
  std::size_t index = 0;
  for (py::handle item : pairs) {
    const std::string where = "pair " + std::to_string(index);
    if (!py::isinstance<py::sequence>(item) || py::isinstance<py::str>(item) ||
        py::len(item) != 2) {
      throw py::value_error(where + ": expected a pair (a, b) of shapes");
    }
    py::sequence pair = py::reinterpret_borrow<py::sequence>(item);
    py::object a = pair[0], b = pair[1];
    Operand first = operandOf(a, where + ", shape A", arcError);
    Operand second = operandOf(b, where + ", shape B", arcError);
    for (const auto& [operand, name] :
         {std::make_pair(&first, ", shape A: "), std::make_pair(&second, ", shape B: ")}) {
      const std::string problem = beziercurve::shapeProblem(operand->get());
      if (!problem.empty()) throw py::value_error(where + name + problem);
    }
    list.keep.push_back(std::move(a));
    list.keep.push_back(std::move(b));
    list.pairs.emplace_back(std::move(first), std::move(second));
    ++index;
  }
  return list;
}

// The machine's cores as Python counts them (os.cpu_count()), 1 when it cannot tell.
std::size_t coreCount() {
  const py::object cores = py::module_::import("os").attr("cpu_count")();
  return cores.is_none() ? 1 : std::max<std::size_t>(1, cores.cast<std::size_t>());
}

// The threads hausdorff_many runs on: `jobs`, a whole number from 1 (None: one per core), and
// never more than the cores (more would only cost memory), which a RuntimeWarning says.
std::size_t workersOf(py::handle jobs) {
  const std::string form = "jobs must be a whole number, 1 or more, or None (one per core)";
  const std::size_t cores = coreCount();
  if (jobs.is_none()) return cores;
  if (!PyLong_Check(jobs.ptr()) || isBoolean(jobs)) {
    throw py::type_error(form + ", not " + typeName(jobs));
  }
  int overflow = 0;
  const long long asked = PyLong_AsLongLongAndOverflow(jobs.ptr(), &overflow);
  if (overflow < 0 || (overflow == 0 && asked < 1)) {
    throw py::value_error("jobs " + shortRepr(jobs) + ": " + form);
  }
  if (overflow == 0 && static_cast<unsigned long long>(asked) <= cores) {
    return static_cast<std::size_t>(asked);
  }
  py::module_::import("warnings")
      .attr("warn")("jobs " + shortRepr(jobs) + ": this machine has " + std::to_string(cores) +
                        (cores == 1 ? " core, so 1 thread runs"
                                    : " cores, so " + std::to_string(cores) + " threads run"),
                    py::handle(PyExc_RuntimeWarning), "stacklevel"_a = 1);
  return cores;
}

std::vector<Distance> hausdorffMany(py::iterable pairs, py::handle tolerance, py::handle jobs,
                                    bool fill) {
  const double tol = numberOf(tolerance, "tolerance");
  requireTolerance(tol);
  const std::size_t workers = workersOf(jobs);
  const PairList list = pairsOf(pairs, arcErrorFor(tol));
  const std::size_t count = list.pairs.size();
  std::vector<Distance> results(count);
  std::vector<std::exception_ptr> failures(count);
  {
    // Nothing below touches a Python object: the shapes were converted above, and those held
    // by Python are kept alive (and, being immutable, unchanged) by `list.keep`.
    py::gil_scoped_release release;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
      for (std::size_t i = next++; i < count; i = next++) {
        try {
          results[i] = beziercurve::hausdorff(list.pairs[i].first.get(), list.pairs[i].second.get(),
                                              tol, measureOf(fill));
        } catch (...) {
          failures[i] = std::current_exception();
        }
      }
    };
    const std::size_t threads = std::min(workers, count);
    std::vector<std::thread> pool;
    // A thread the system cannot start costs only speed: those that did start, this one at
    // least, measure every pair.
    try {
      pool.reserve(threads);
      for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    work();
    for (std::thread& thread : pool) thread.join();
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!failures[i]) continue;
    const std::string where = "pair " + std::to_string(i) + ": ";
    try {
      std::rethrow_exception(failures[i]);
    } catch (const std::invalid_argument& e) {
      throw py::value_error(where + e.what());
    } catch (const std::bad_alloc&) {
      raiseMemoryError(where +
                       tooLargeToMeasure(list.pairs[i].first.get(), list.pairs[i].second.get()));
    } catch (const std::length_error&) {
      raiseMemoryError(where +
                       tooLargeToMeasure(list.pairs[i].first.get(), list.pairs[i].second.get()));
    }
  }
  return results;
}

}  // namespace

namespace {

// ---- compare_fonts ----------------------------------------------------------------------------

const char* outcomeName(beziercurve::GlyphOutcome outcome) {
  switch (outcome) {
    case beziercurve::GlyphOutcome::kMeasured:
      return "measured";
    case beziercurve::GlyphOutcome::kEmptyInBoth:
      return "empty in both";
    case beziercurve::GlyphOutcome::kEmptyInA:
      return "empty in A";
    case beziercurve::GlyphOutcome::kEmptyInB:
      return "empty in B";
    case beziercurve::GlyphOutcome::kUnreadable:
      return "unreadable";
    case beziercurve::GlyphOutcome::kContoursDiffer:
      return "contours differ";
    case beziercurve::GlyphOutcome::kRefused:
      return "refused";
  }
  return "refused";
}

py::object verdictOf(beziercurve::Verdict verdict) {
  if (verdict == beziercurve::Verdict::kWithin) return py::bool_(true);
  if (verdict == beziercurve::Verdict::kBeyond) return py::bool_(false);
  return py::none();
}

std::string glyphNameOf(const beziercurve::Glyph& glyph) {
  return glyph.name.empty() ? "#" + std::to_string(glyph.glyphIndex) : glyph.name;
}

// A running comparison: compareFonts on a thread of its own, its records queued until Python
// takes them. Dropping the iterator (or Ctrl-C while waiting) stops the comparison.
class FontComparisonRun {
 public:
  FontComparisonRun(beziercurve::Font a, beziercurve::Font b,
                    beziercurve::FontComparisonOptions options)
      : a_(std::move(a)), b_(std::move(b)), options_(std::move(options)) {
    options_.stop = &stop_;
    thread_ = std::thread([this] { run(); });
  }
  ~FontComparisonRun() { finish(); }
  FontComparisonRun(const FontComparisonRun&) = delete;
  FontComparisonRun& operator=(const FontComparisonRun&) = delete;

  // The next record, as a dict; StopIteration after the last.
  py::dict next() {
    beziercurve::GlyphRecord record;
    for (;;) {
      bool got = false, over = false;
      {
        py::gil_scoped_release release;
        std::unique_lock<std::mutex> lock(mutex_);
        // Waits in slices, so that Ctrl-C is seen within a twentieth of a second.
        ready_.wait_for(lock, std::chrono::milliseconds(50),
                        [this] { return !queue_.empty() || finished_; });
        if (!queue_.empty()) {
          record = queue_.front();
          queue_.pop_front();
          got = true;
        } else {
          over = finished_;
        }
      }
      if (got) return recordDict(record);
      if (over) {
        finish();
        if (failure_) std::rethrow_exception(failure_);
        throw py::stop_iteration();
      }
      if (PyErr_CheckSignals() != 0) {
        finish();
        throw py::error_already_set();
      }
    }
  }

  // What compareFonts says at the end, as a dict; None until the records are all taken.
  py::object summary() const {
    if (!joined_ || failure_) return py::none();
    const beziercurve::FontComparison& s = summary_;
    py::list beyond, worst, groups;
    for (const auto& [distance, glyphs] : s.beyond) beyond.append(py::make_tuple(distance, glyphs));
    for (const beziercurve::GlyphRecord& record : s.worst) worst.append(recordDict(record));
    for (const beziercurve::ComponentGroup& group : s.groups) {
      py::list users;
      for (const std::size_t user : group.users) {
        users.append(glyphNameOf(a_.glyphs[s.pairing.matched[user].first]));
      }
      py::dict entry;
      entry["component"] = glyphNameOf(a_.glyphs[s.pairing.matched[group.component].first]);
      entry["distance"] = group.distance;
      entry["users"] = users;
      groups.append(entry);
    }
    py::dict d;
    d["compared"] = s.compared;
    d["empty_in_both"] = s.emptyInBoth;
    d["empty_in_one"] = s.emptyInOne;
    d["unreadable"] = s.unreadable;
    d["not_measured"] = s.refused;
    d["beyond"] = beyond;
    d["changed"] = s.changed;
    d["worst"] = worst;
    d["groups"] = groups;
    d["advances_differ"] = s.advancesDiffer;
    d["interrupted"] = s.interrupted;
    d["seconds"] = s.seconds;
    if (options_.deciding) {
      d["verdicts"] =
          py::dict("yes"_a = s.within, "no"_a = s.beyondThreshold, "undecided"_a = s.undecided);
    }
    return std::move(d);
  }

 private:
  void run() {
    try {
      summary_ =
          beziercurve::compareFonts(a_, b_, options_, [this](const beziercurve::GlyphRecord& r) {
            {
              const std::lock_guard<std::mutex> lock(mutex_);
              queue_.push_back(r);
            }
            ready_.notify_one();
            return true;
          });
    } catch (...) {
      failure_ = std::current_exception();
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    ready_.notify_one();
  }

  void finish() {
    if (joined_) return;
    stop_.store(!finishedNormally());
    py::gil_scoped_release release;
    thread_.join();
    joined_ = true;
  }

  bool finishedNormally() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
  }

  py::dict recordDict(const beziercurve::GlyphRecord& record) const {
    const beziercurve::Glyph& ga = a_.glyphs[record.inA];
    const beziercurve::Glyph& gb = b_.glyphs[record.inB];
    py::dict d;
    d["name"] = glyphNameOf(ga);
    d["code_point"] = record.codePoint;
    d["outcome"] = outcomeName(record.outcome);
    d["segments"] = py::make_tuple(ga.shape.segments.size(), gb.shape.segments.size());
    const bool measured = record.outcome == beziercurve::GlyphOutcome::kMeasured;
    d["distance"] = measured ? py::cast(record.distance) : py::none();
    if (record.outcome == beziercurve::GlyphOutcome::kEmptyInBoth) d["distance"] = py::none();
    d["verdict"] = options_.deciding && record.outcome != beziercurve::GlyphOutcome::kUnreadable &&
                           record.outcome != beziercurve::GlyphOutcome::kRefused
                       ? verdictOf(record.verdict)
                       : py::none();
    const bool advances = std::isfinite(record.advance[0]) || std::isfinite(record.advance[1]);
    if (advances) {
      d["advance"] = py::make_tuple(record.advance[0], record.advance[1]);
    } else {
      d["advance"] = py::none();
    }
    std::string problem = record.problem;
    if (record.outcome == beziercurve::GlyphOutcome::kUnreadable) {
      problem = ga.problem.empty() ? "B: " + gb.problem : "A: " + ga.problem;
    }
    d["problem"] = problem.empty() ? py::none() : py::cast(problem);
    return d;
  }

  beziercurve::Font a_, b_;
  beziercurve::FontComparisonOptions options_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<beziercurve::GlyphRecord> queue_;
  bool finished_ = false;
  bool joined_ = false;
  std::exception_ptr failure_;
  beziercurve::FontComparison summary_;
  std::thread thread_;
};

beziercurve::Font readFontFor(py::handle font, int workers) {
  const std::string file =
      py::isinstance<py::str>(font) ? font.cast<std::string>() : fileName(font);
  beziercurve::Font read;
  {
    py::gil_scoped_release release;
    read = beziercurve::readFont(file, workers);
  }
  if (!read.ok) raiseReadFailure(read.failure, read.error);
  for (const std::string& warning : read.warnings) warnOf(file, warning);
  return read;
}

std::unique_ptr<FontComparisonRun> compareFontsRun(py::handle a, py::handle b,
                                                   py::handle toleranceGiven, py::object within,
                                                   bool fill, const std::string& match, bool scale,
                                                   bool metrics, py::handle jobs,
                                                   py::handle thresholdGiven, std::size_t top) {
  const double tolerance = numberOf(toleranceGiven, "tolerance");
  const double threshold = numberOf(thresholdGiven, "threshold");
  beziercurve::FontComparisonOptions options;
  options.tolerance = tolerance;
  options.measure = measureOf(fill);
  if (!within.is_none()) {
    options.deciding = true;
    options.threshold = numberOf(within, "within");
    const std::string problem = beziercurve::thresholdProblem(options.threshold);
    if (!problem.empty()) throw py::value_error(problem);
  }
  requireTolerance(tolerance);
  if (match != "auto" && match != "name" && match != "codepoint") {
    throw py::value_error("match '" + match +
                          "': glyphs are matched by 'auto', 'name' or 'codepoint'");
  }
  options.match = match == "name"        ? beziercurve::GlyphMatch::kName
                  : match == "codepoint" ? beziercurve::GlyphMatch::kCodePoint
                                         : beziercurve::GlyphMatch::kAutomatic;
  options.scaleToA = scale;
  options.metrics = metrics;
  options.workers = static_cast<int>(workersOf(jobs));
  if (!(threshold >= 0.0) || !std::isfinite(threshold)) {
    throw py::value_error("threshold " + reprOf(threshold) +
                          ": the threshold must be a finite distance, 0 or more (such as 1)");
  }
  options.changedBeyond = threshold;
  options.top = top;
  beziercurve::Font fontA = readFontFor(a, options.workers);
  beziercurve::Font fontB = readFontFor(b, options.workers);
  return std::make_unique<FontComparisonRun>(std::move(fontA), std::move(fontB), options);
}

}  // namespace

PYBIND11_MODULE(_beziercurve, m) {
  m.doc() =
      "Certified Hausdorff distances between shapes made of cubic Bézier curves: each result is "
      "an interval [lower, upper] that always holds the true distance.";
  m.attr("__version__") = beziercurve::version();
  m.attr("DEFAULT_TOLERANCE") = beziercurve::kDefaultTolerance;
  m.attr("DEFAULT_ARC_ERROR") = beziercurve::kDefaultArcError;
  m.attr("MAX_COORDINATE") = beziercurve::kMaxCoordinate;

  py::class_<Shape>(m, "Shape",
                    "A set of cubic Bézier segments: numpy.asarray(shape) has shape (n, 4, 2), "
                    "each segment's P0..P3 as (x, y). Immutable.")
      .def(py::init([](py::handle cubics, py::handle approximation_error, py::handle contours,
                       py::handle paints, py::handle fillRule) {
             const double approximationError = numberOf(approximation_error, "approximation_error");
             Shape shape;
             if (py::isinstance<Shape>(cubics)) {
               shape = cubics.cast<Shape>();
             } else if (py::isinstance<py::str>(cubics)) {
               shape = pathShape(cubics.cast<std::string>(), beziercurve::kDefaultArcError, "");
             } else {
               shape.segments = cubicsOf(cubics, "cubics");
             }
             Shape bound;  // the error asked for, checked on its own
             bound.approximationError = approximationError;
             checkedShape(bound);
             shape.approximationError = std::max(shape.approximationError, approximationError);
             setStructure(shape, contours, paints, fillRule);
             return checkedShape(std::move(shape));
           }),
           "cubics"_a = py::tuple(), "approximation_error"_a = 0.0, "contours"_a = py::none(),
           "paints"_a = py::none(), "fill_rule"_a = py::none(),
           "Cubics as an array of shape (n, 4, 2) or (4, 2) or nested sequences, SVG path data, "
           "or a Shape; approximation_error bounds the distance between the cubics and the "
           "figure they stand for. contours, (first_segment, segment_count, closed) tuples, and "
           "paints, (first_contour, contour_count, filled, fill_rule) tuples, replace the "
           "source's; fill_rule ('nonzero' or 'evenodd') is set on every paint.")
      .def("__len__", [](const Shape& s) { return s.segments.size(); })
      .def(
          "__array__",
          [](const Shape& s, py::object dtype, py::object /*copy*/) {
            py::array array = arrayOf(s);
            if (dtype.is_none()) return array;
            return py::array(array.attr("astype")(dtype));
          },
          "dtype"_a = py::none(), "copy"_a = py::none())
      .def_property_readonly("approximation_error",
                             [](const Shape& s) { return s.approximationError; })
      .def_property_readonly("contours", &contourTuples,
                             "The contours, (first_segment, segment_count, closed) tuples in "
                             "order; for cubics given without them, the runs of segments that "
                             "each start where the one before ends.")
      .def_property_readonly("paints", &paintTuples,
                             "The paints, (first_contour, contour_count, filled, fill_rule) "
                             "tuples in order; without them, one filled 'nonzero' paint of every "
                             "contour.")
      .def("__eq__",
           [](const Shape& s, py::object other) -> py::object {
             if (!py::isinstance<Shape>(other))
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             const Shape& o = other.cast<const Shape&>();
             if (s.approximationError != o.approximationError ||
                 s.segments.size() != o.segments.size() ||
                 !contourTuples(s).equal(contourTuples(o)) ||
                 !paintTuples(s).equal(paintTuples(o))) {
               return py::bool_(false);
             }
             for (std::size_t i = 0; i < s.segments.size(); ++i) {
               for (int k = 0; k < 4; ++k) {
                 if (s.segments[i].p[k].x != o.segments[i].p[k].x ||
                     s.segments[i].p[k].y != o.segments[i].p[k].y) {
                   return py::bool_(false);
                 }
               }
             }
             return py::bool_(true);
           })
      .def("__repr__", [](const Shape& s) {
        return "Shape(" + std::to_string(s.segments.size()) +
               (s.segments.size() == 1 ? " segment" : " segments") +
               ", approximation_error=" + reprOf(s.approximationError) + ")";
      });
  m.attr("Shape").attr("__hash__") = py::none();

  py::class_<SidePoint>(m, "ShapePoint",
                        "A point of one of the two shapes: shape ('A' or 'B'), segment (its "
                        "index in that shape), t (the parameter on it) and point (x, y); "
                        "segment and t are None for a point of a fill on no segment.")
      .def_property_readonly("shape", [](const SidePoint& p) { return sideName(p.shape); })
      .def_property_readonly("segment",
                             [](const SidePoint& p) -> py::object {
                               if (inFill(p)) return py::none();
                               return py::int_(p.at.segment);
                             })
      .def_property_readonly("t",
                             [](const SidePoint& p) -> py::object {
                               if (inFill(p)) return py::none();
                               return py::float_(p.at.t);
                             })
      .def_property_readonly(
          "point", [](const SidePoint& p) { return py::make_tuple(p.at.point.x, p.at.point.y); })
      .def("__repr__", [](const SidePoint& p) { return reprOf(p); });

  py::class_<Distance>(m, "Distance",
                       "A certified Hausdorff distance: lower <= H <= upper. The witness is "
                       "where H is attained, to within the tolerance, and nearest its nearest "
                       "point on the other shape.")
      .def_readonly("lower", &Distance::lower)
      .def_readonly("upper", &Distance::upper)
      .def_readonly("steps", &Distance::steps)
      .def_readonly("tolerance_met", &Distance::toleranceMet)
      .def_property_readonly("interval",
                             [](const Distance& d) { return py::make_tuple(d.lower, d.upper); })
      .def_property_readonly("witness", &witnessOf)
      .def_property_readonly("nearest", &nearestOf)
      .def("__repr__", [](const Distance& d) {
        return "Distance(lower=" + reprOf(d.lower) + ", upper=" + reprOf(d.upper) +
               ", tolerance_met=" + (d.toleranceMet ? "True" : "False") +
               ", steps=" + std::to_string(d.steps) + ", witness=" + reprOf(witnessOf(d)) +
               ", nearest=" + reprOf(nearestOf(d)) + ")";
      });

  m.def(
      "hausdorff",
      [](py::handle a, py::handle b, py::handle tolerance, bool fill) {
        const double tol = numberOf(tolerance, "tolerance");
        const Operand first = operandOf(a, "shape A", arcErrorFor(tol));
        const Operand second = operandOf(b, "shape B", arcErrorFor(tol));
        try {
          py::gil_scoped_release release;
          return beziercurve::hausdorff(first.get(), second.get(), tol, measureOf(fill));
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
        raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
      },
      "a"_a, "b"_a, "tolerance"_a = beziercurve::kDefaultTolerance, py::kw_only(), "fill"_a = false,
      "The certified Hausdorff distance between a and b (Shapes, SVG path data or cubics), an "
      "interval at most `tolerance` wide: between their outlines, or with fill=True between "
      "what they paint (fills and outlines).");

  m.def(
      "frechet",
      [](py::handle a, py::handle b, py::handle tolerance, bool anyStart, bool eitherDirection,
         bool pairContours) {
        const double tol = numberOf(tolerance, "tolerance");
        const Operand first = operandOf(a, "shape A", arcErrorFor(tol));
        const Operand second = operandOf(b, "shape B", arcErrorFor(tol));
        beziercurve::FrechetOptions options;
        options.anyStart = anyStart;
        options.eitherDirection = eitherDirection;
        options.pairContours = pairContours;
        beziercurve::ContourFrechet f;
        {
          py::gil_scoped_release release;
          f = beziercurve::frechetByContours(first.get(), second.get(), tol, options);
        }
        py::dict d;
        d["measured"] = f.measured;
        d["lower"] = f.distance.lower;
        d["upper"] = f.distance.upper;
        d["steps"] = f.distance.steps;
        d["tolerance_met"] = f.distance.toleranceMet;
        py::list pairs;
        for (const beziercurve::ContourPair& p : f.pairs) {
          pairs.append(py::make_tuple(p.contourA, p.contourB, p.reversed, p.lower, p.upper));
        }
        d["pairs"] = pairs;
        d["unmatched"] = py::make_tuple(f.unmatchedA, f.unmatchedB);
        return d;
      },
      "a"_a, "b"_a, "tolerance"_a = beziercurve::kDefaultTolerance, py::kw_only(),
      "any_start"_a = false, "either_direction"_a = false, "pair_contours"_a = false,
      "The certified Fréchet distance between a and b contour by contour (frechetByContours): a "
      "dict with lower, upper (the largest of the contours' distances lies between them), steps, "
      "tolerance_met, measured (False when the contour counts differ without pair_contours), "
      "pairs [(contour of A, contour of B, walked backwards, lower, upper)] and unmatched "
      "(A's, B's).");

  m.def(
      "within",
      [](py::handle a, py::handle b, py::handle d, bool fill) -> py::object {
        const double threshold = numberOf(d, "d");
        const Operand first = operandOf(a, "shape A", beziercurve::kDefaultArcError);
        const Operand second = operandOf(b, "shape B", beziercurve::kDefaultArcError);
        beziercurve::Verdict verdict;
        try {
          py::gil_scoped_release release;
          verdict =
              beziercurve::within(first.get(), second.get(), threshold, measureOf(fill)).verdict;
        } catch (const std::bad_alloc&) {
          raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
        } catch (const std::length_error&) {
          raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
        }
        if (verdict == beziercurve::Verdict::kWithin) return py::bool_(true);
        if (verdict == beziercurve::Verdict::kBeyond) return py::bool_(false);
        return py::none();
      },
      "a"_a, "b"_a, "d"_a, py::kw_only(), "fill"_a = false,
      "Whether the Hausdorff distance between a and b (with fill=True, between what they "
      "paint) is at most d: True, False, or None when d lies within rounding of the distance.");

  m.def("hausdorff_many", &hausdorffMany, "pairs"_a, "tolerance"_a = beziercurve::kDefaultTolerance,
        "jobs"_a = py::none(), py::kw_only(), "fill"_a = false,
        "hausdorff(a, b, tolerance, fill=fill) of every pair (a, b), in input order, measured on "
        "`jobs` threads (None: one per core) without holding the GIL.");

  m.def(
      "read_path",
      [](const std::string& data, py::handle arc_error) {
        const double arcError = numberOf(arc_error, "arc_error");
        requireArcError(arcError);
        try {
          return pathShape(data, arcError, "");
        } catch (const std::bad_alloc&) {
          raiseMemoryError("path data of " + std::to_string(data.size()) +
                           " bytes: too large to read: the reader ran out of memory");
        }
      },
      "data"_a, "arc_error"_a = beziercurve::kDefaultArcError,
      "The shape SVG path data draws; arcs within arc_error.");

  m.def(
      "read_svg",
      [](py::handle path, py::object id, py::handle arc_error) {
        const double arcError = numberOf(arc_error, "arc_error");
        requireArcError(arcError);
        const std::string file = fileName(path);
        const std::string element = id.is_none() ? "" : id.cast<std::string>();
        beziercurve::ShapeRead read;
        try {
          py::gil_scoped_release release;
          read = beziercurve::readSvgFile(file, element, arcError);
        } catch (const std::bad_alloc&) {
          raiseMemoryError(beziercurve::printableText(file) + fileSize(file) +
                           ": too large to read: the reader ran out of memory");
        }
        if (!read.ok) raiseReadFailure(read.failure, read.error);
        warnOf(file, read.warning);
        return std::move(read.shape);
      },
      "path"_a, "id"_a = py::none(), "arc_error"_a = beziercurve::kDefaultArcError,
      "An SVG file's drawing (or the element with that id), in the root's user units, y down.");

  m.def(
      "read_glyph",
      [](py::handle font, const std::string& glyph) {
        const std::string file =
            py::isinstance<py::str>(font) ? withoutNul(font.cast<std::string>()) : fileName(font);
        beziercurve::GlyphRead read;
        try {
          py::gil_scoped_release release;
          read = beziercurve::readGlyph(file, glyph);
        } catch (const std::bad_alloc&) {
          raiseMemoryError(beziercurve::printableText(file) + ": glyph " +
                           beziercurve::printableText(glyph) +
                           ": too large to read: the reader ran out of memory");
        }
        if (!read.ok) raiseReadFailure(read.failure, read.error);
        return std::move(read.glyph.shape);
      },
      "font"_a, "glyph"_a,
      "One glyph's outline in font units, y up. font: FILE, FILE#N (face N of a collection), "
      "either with @wght=700,... or @INSTANCE for a variable font; glyph: a character, U+XXXX "
      "or a glyph name.");
  py::class_<FontComparisonRun>(m, "FontComparison",
                                "The records of compare_fonts, in the pairing's order, each as "
                                "soon as it is measured; `summary` once they are all taken.")
      .def("__iter__", [](FontComparisonRun& run) -> FontComparisonRun& { return run; })
      .def("__next__", &FontComparisonRun::next)
      .def_property_readonly("summary", &FontComparisonRun::summary);

  m.def("compare_fonts", &compareFontsRun, "a"_a, "b"_a,
        "tolerance"_a = beziercurve::kDefaultTolerance, py::kw_only(), "within"_a = py::none(),
        "fill"_a = false, "match"_a = "auto", "scale"_a = true, "metrics"_a = true,
        "jobs"_a = py::none(), "threshold"_a = 1.0, "top"_a = 10,
        "Every glyph two fonts share, compared as bezier-hausdorff --glyphs all compares them: "
        "an iterator of records (dicts: name, code_point, outcome, segments, distance, verdict, "
        "advance, problem) in the pairing's order, measured on `jobs` threads; its `summary` "
        "(counts beyond 1, 5, 10 and `threshold`, the `top` most changed, component groups, "
        "advance widths) once every record is taken. B is scaled to A's em unless scale=False.");
}
