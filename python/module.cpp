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
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
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
  std::string problem;
  if (shape.segments.empty() && shape.contours.empty() && shape.paints.empty()) {
    // Only the error is checked; a structure must describe the segments there are.
    Shape probe;
    probe.segments.push_back(Cubic{});
    probe.approximationError = shape.approximationError;
    problem = beziercurve::shapeProblem(probe);
  } else {
    problem = beziercurve::shapeProblem(shape);
  }
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

// The distance between two shapes that draw nothing is 0, attained nowhere: it has no witness.
constexpr int kNoWitness = -1;

Distance emptyPairDistance() {
  const beziercurve::ShapePoint nowhere{beziercurve::kFillPoint, 0.0, {0.0, 0.0}};
  return {0.0, 0.0, kNoWitness, nowhere, nowhere, 0, true};
}

py::object witnessOf(const Distance& d) {
  if (d.witnessShape == kNoWitness) return py::none();
  return py::cast(SidePoint{d.witnessShape, d.witness});
}
py::object nearestOf(const Distance& d) {
  if (d.witnessShape == kNoWitness) return py::none();
  return py::cast(SidePoint{1 - d.witnessShape, d.nearest});
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

// ---- Ctrl-C -----------------------------------------------------------------------------------

// How often a search running without the GIL asks Python whether a signal came: Ctrl-C then
// raises KeyboardInterrupt within this and the search's own interval between questions.
constexpr auto kSignalInterval = std::chrono::milliseconds(20);

// Python runs its signal handlers (Ctrl-C's KeyboardInterrupt) on the main thread, with the GIL
// held, when asked. A search runs without the GIL: this, its KeepGoing on the calling thread,
// takes the GIL for a moment every kSignalInterval to ask. A handler that raised leaves its
// exception pending on this thread, and every later call says to stop.
class SignalCheck {
 public:
  bool operator()() {
    if (raised_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return true;
    next_ = now + kSignalInterval;
    const py::gil_scoped_acquire gil;
    raised_ = PyErr_CheckSignals() != 0;
    return !raised_;
  }
  bool raised() const { return raised_; }

 private:
  std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now() + kSignalInterval;
  bool raised_ = false;
};

// `search(keepGoing)` run without the GIL, stopped by Ctrl-C: the signal handler's exception
// (KeyboardInterrupt) is raised in place of its result.
template <typename Search>
auto interruptibly(const Search& search) {
  SignalCheck check;
  const beziercurve::KeepGoing keepGoing = [&check] { return check(); };
  std::optional<decltype(search(keepGoing))> result;
  {
    py::gil_scoped_release release;
    try {
      result.emplace(search(keepGoing));
    } catch (const beziercurve::Interrupted&) {
    }
  }
  if (!result) throw py::error_already_set();
  return std::move(*result);
}

// ---- Pairs of shapes --------------------------------------------------------------------------

// Why `shape` cannot be measured, leaving out that it draws nothing: a shape that draws nothing
// is still refused for a broken structure or error bound.
std::string problemOf(const Shape& shape) {
  if (!shape.segments.empty()) return beziercurve::shapeProblem(shape);
  if (!shape.contours.empty() || !shape.paints.empty()) return beziercurve::shapeProblem(shape);
  Shape probe = shape;
  probe.segments.push_back(Cubic{});
  return beziercurve::shapeProblem(probe);
}

// Why a and b have no distance: a shape that cannot be measured, in shapeProblem's words, or one
// that draws nothing against one that does (as the program says of a glyph empty in one font
// only); "" when they have one. Two shapes that draw nothing are 0 apart, as glyphs empty in both
// fonts are.
std::string pairProblem(const Shape& a, const Shape& b) {
  for (const auto& [shape, name] :
       {std::make_pair(&a, "shape A: "), std::make_pair(&b, "shape B: ")}) {
    const std::string problem = problemOf(*shape);
    if (!problem.empty()) return name + problem;
  }
  const bool emptyA = a.segments.empty(), emptyB = b.segments.empty();
  if (emptyA == emptyB) return "";
  return emptyA ? "shape A: it draws no segment, and shape B does: empty in A only, no distance"
                : "shape B: it draws no segment, and shape A does: empty in B only, no distance";
}

bool bothEmpty(const Shape& a, const Shape& b) {
  return a.segments.empty() && b.segments.empty();
}

// A pair hausdorff_many did not measure, with what errors="raise" raises for it: the exception's
// name ("ValueError", "TypeError", "MemoryError") and its message, which names the pair.
struct Refusal {
  std::size_t pair;
  std::string error;
  std::string message;
};

[[noreturn]] void raise(const Refusal& refusal) {
  if (refusal.error == "MemoryError") raiseMemoryError(refusal.message);
  if (refusal.error == "TypeError") throw py::type_error(refusal.message);
  throw py::value_error(refusal.message);
}

// What a list of pairs measures: each operand converted while the GIL is held, with the objects
// that hold them kept alive; a pair that cannot be measured has its refusal instead.
struct PairList {
  std::vector<py::object> keep;
  std::vector<std::pair<Operand, Operand>> pairs;
  std::vector<std::optional<Refusal>> refused;
};

// The pair `item` (the index-th) as two operands, or ValueError/TypeError naming it.
std::pair<Operand, Operand> pairOf(py::handle item, std::size_t index, double arcError,
                                   PairList& list) {
  const std::string where = "pair " + std::to_string(index);
  if (!py::isinstance<py::sequence>(item) || py::isinstance<py::str>(item) || py::len(item) != 2) {
    throw py::value_error(where + ": expected a pair (a, b) of shapes");
  }
  py::sequence pair = py::reinterpret_borrow<py::sequence>(item);
  py::object a = pair[0], b = pair[1];
  Operand first = operandOf(a, where + ", shape A", arcError);
  Operand second = operandOf(b, where + ", shape B", arcError);
  const std::string problem = pairProblem(first.get(), second.get());
  if (!problem.empty()) throw py::value_error(where + ", " + problem);
  list.keep.push_back(std::move(a));
  list.keep.push_back(std::move(b));
  return {std::move(first), std::move(second)};
}

// Every pair converted; with `keepRefusals` a pair that cannot be converted is kept as its
// refusal, otherwise the first one raises. Ctrl-C is heeded between pairs.
PairList pairsOf(py::iterable pairs, double arcError, bool keepRefusals) {
  PairList list;
  std::size_t index = 0;
  for (py::handle item : pairs) {
    if (index % 256 == 255 && PyErr_CheckSignals() != 0) throw py::error_already_set();
    std::optional<Refusal> refusal;
    try {
      list.pairs.push_back(pairOf(item, index, arcError, list));
    } catch (const py::value_error& e) {
      if (!keepRefusals) throw;
      refusal = Refusal{index, "ValueError", e.what()};
    } catch (const py::type_error& e) {
      if (!keepRefusals) throw;
      refusal = Refusal{index, "TypeError", e.what()};
    }
    if (refusal) list.pairs.emplace_back();
    list.refused.push_back(std::move(refusal));
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

// The refusal of pair i for what its search threw.
Refusal refusalOf(std::size_t i, const std::exception_ptr& failure, const PairList& list) {
  const std::string where = "pair " + std::to_string(i) + ": ";
  const Shape& a = list.pairs[i].first.get();
  const Shape& b = list.pairs[i].second.get();
  try {
    std::rethrow_exception(failure);
  } catch (const std::invalid_argument& e) {
    return {i, "ValueError", where + e.what()};
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return {i, "MemoryError", where + tooLargeToMeasure(a, b)};
}

// Measures every pair of `list` not refused on `workers` threads, this one among them, without
// the GIL. Ctrl-C stops every thread within a search's interval between questions; the
// KeyboardInterrupt is then pending and SignalCheck::raised() true.
void measureAll(const PairList& list, double tol, beziercurve::Measure measure, std::size_t workers,
                SignalCheck& check, std::vector<Distance>& results,
                std::vector<std::exception_ptr>& failures) {
  const std::size_t count = list.pairs.size();
  // Nothing below touches a Python object: the shapes were converted, and those held by Python
  // are kept alive (and, being immutable, unchanged) by `list.keep`.
  py::gil_scoped_release release;
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable done;
  std::size_t running = 0;
  const auto measureFrom = [&](const beziercurve::KeepGoing& keepGoing) {
    for (std::size_t i = next++; i < count && keepGoing(); i = next++) {
      if (list.refused[i]) continue;
      const Shape& a = list.pairs[i].first.get();
      const Shape& b = list.pairs[i].second.get();
      try {
        results[i] = bothEmpty(a, b) ? emptyPairDistance()
                                     : beziercurve::hausdorff(a, b, tol, measure, keepGoing);
      } catch (const beziercurve::Interrupted&) {
        return;
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  const beziercurve::KeepGoing othersGoOn = [&stop] { return !stop.load(); };
  const beziercurve::KeepGoing mineGoesOn = [&] {
    if (!check()) stop.store(true);
    return !stop.load();
  };
  const auto worker = [&] {
    measureFrom(othersGoOn);
    const std::lock_guard<std::mutex> lock(mutex);
    --running;
    done.notify_one();
  };
  std::vector<std::thread> pool;
  // A thread the system cannot start costs only speed: those that did start, this one at least,
  // measure every pair.
  try {
    const std::size_t threads = std::min(workers, count);
    pool.reserve(threads);
    for (std::size_t t = 1; t < threads; ++t) {
      const std::lock_guard<std::mutex> lock(mutex);
      pool.emplace_back(worker);
      ++running;
    }
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
  measureFrom(mineGoesOn);
  // The others' last pairs: Ctrl-C is still heeded while they finish.
  std::unique_lock<std::mutex> lock(mutex);
  while (running > 0) {
    done.wait_for(lock, kSignalInterval);
    lock.unlock();
    mineGoesOn();
    lock.lock();
  }
  lock.unlock();
  for (std::thread& thread : pool) thread.join();
}

// hausdorff_many: a list of a Distance (or, with errors="return", a Refusal) per pair, in input
// order.
py::list hausdorffMany(py::iterable pairs, py::handle tolerance, py::handle jobs, bool fill,
                       const std::string& errors) {
  if (errors != "raise" && errors != "return") {
    throw py::value_error("errors '" + errors +
                          "': a refused pair either raises ('raise') or is returned ('return')");
  }
  const bool keepRefusals = errors == "return";
  const double tol = numberOf(tolerance, "tolerance");
  requireTolerance(tol);
  const std::size_t workers = workersOf(jobs);
  PairList list = pairsOf(pairs, arcErrorFor(tol), keepRefusals);
  const std::size_t count = list.pairs.size();
  std::vector<Distance> results(count);
  std::vector<std::exception_ptr> failures(count);
  SignalCheck check;
  measureAll(list, tol, measureOf(fill), workers, check, results, failures);
  if (check.raised()) throw py::error_already_set();
  py::list out(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (failures[i]) {
      list.refused[i] = refusalOf(i, failures[i], list);
      if (!keepRefusals) raise(*list.refused[i]);
    }
    if (list.refused[i]) {
      out[i] = py::cast(*list.refused[i]);
    } else {
      out[i] = py::cast(results[i]);
    }
  }
  return out;
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

// ---- Corpora: fonts paired, glyphs paired ---------------------------------------------------

// The fonts of two operands (folders, fonts, FONT@instances) paired as the program pairs them.
py::dict pairFontsOf(py::handle a, py::handle b) {
  std::vector<std::string> lists[2];
  const py::handle operands[2] = {a, b};
  for (int side = 0; side < 2; ++side) {
    const py::handle operand = operands[side];
    const std::string name = py::isinstance<py::str>(operand)
                                 ? withoutNul(operand.cast<std::string>())
                                 : fileName(operand);
    std::string error;
    lists[side] = beziercurve::fontsOf(name, error);
    if (!error.empty()) raiseReadFailure(beziercurve::ReadFailure::kFile, error);
  }
  beziercurve::FontFilePairing pairing;
  {
    py::gil_scoped_release release;
    pairing = beziercurve::pairFonts(lists[0], lists[1]);
  }
  py::list pairs;
  for (const auto& [fontA, fontB] : pairing.pairs) pairs.append(py::make_tuple(fontA, fontB));
  py::dict d;
  d["pairs"] = pairs;
  d["only_in_a"] = pairing.onlyInA;
  d["only_in_b"] = pairing.onlyInB;
  d["errors"] = pairing.errors;
  return d;
}

// Every glyph two fonts share, paired and (scale) brought to A's em as compare_fonts pairs and
// scales them: dicts of name, code_point, a and b (Shapes) and problem (why a glyph cannot be
// read, "A: ..." or "B: ...", its shapes then empty; else None).
py::list glyphPairsOf(py::handle a, py::handle b, const std::string& match, bool scale,
                      py::handle jobs) {
  const beziercurve::GlyphMatch how = match == "name"        ? beziercurve::GlyphMatch::kName
                                      : match == "codepoint" ? beziercurve::GlyphMatch::kCodePoint
                                                             : beziercurve::GlyphMatch::kAutomatic;
  if (match != "auto" && match != "name" && match != "codepoint") {
    throw py::value_error("match '" + match +
                          "': glyphs are matched by 'auto', 'name' or 'codepoint'");
  }
  const int workers = static_cast<int>(workersOf(jobs));
  const beziercurve::Font fontA = readFontFor(a, workers);
  const beziercurve::Font fontB = readFontFor(b, workers);
  const beziercurve::GlyphPairing pairing = beziercurve::matchGlyphs(fontA, fontB, how);
  const bool scaled = scale && fontA.unitsPerEm != fontB.unitsPerEm && fontB.unitsPerEm != 0;
  py::list out;
  for (std::size_t i = 0; i < pairing.matched.size(); ++i) {
    const beziercurve::Glyph& ga = fontA.glyphs[pairing.matched[i].first];
    const beziercurve::Glyph& gb = fontB.glyphs[pairing.matched[i].second];
    py::dict d;
    d["name"] = glyphNameOf(ga);
    d["code_point"] = pairing.byName ? ga.codePoint : pairing.codePoints[i];
    d["a"] = ga.shape;
    d["b"] =
        scaled ? beziercurve::scaledShape(gb.shape, fontA.unitsPerEm, fontB.unitsPerEm) : gb.shape;
    const std::string problem = !ga.problem.empty()   ? "A: " + ga.problem
                                : !gb.problem.empty() ? "B: " + gb.problem
                                                      : "";
    d["problem"] = problem.empty() ? py::none() : py::cast(problem);
    out.append(d);
  }
  return out;
}

// ---- Pickling ---------------------------------------------------------------------------------
// Every object the module hands out pickles as plain numbers: a shape as the bytes of its
// coordinates (little-endian doubles, 64 bytes a cubic), with its own contours and paints as
// tuples; a result as its numbers. Unpickling checks a shape as Shape() does, so that no pickle
// makes a shape the library does not take.

static_assert(sizeof(Cubic) == 8 * sizeof(double), "a cubic is its eight coordinates");

// The coordinates in little-endian order, whatever the machine's.
void swapToLittleEndian([[maybe_unused]] char* bytes, [[maybe_unused]] std::size_t size) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  for (std::size_t i = 0; i + 8 <= size; i += 8) std::reverse(bytes + i, bytes + i + 8);
#endif
}

py::tuple shapeState(const Shape& shape) {
  const std::size_t size = shape.segments.size() * sizeof(Cubic);
  py::bytes coordinates(nullptr, 0);
  PyObject* raw = PyBytes_FromStringAndSize(nullptr, static_cast<py::ssize_t>(size));
  if (raw == nullptr) throw py::error_already_set();
  coordinates = py::reinterpret_steal<py::bytes>(raw);
  char* out = PyBytes_AS_STRING(raw);
  if (size > 0) std::memcpy(out, shape.segments.data(), size);
  swapToLittleEndian(out, size);
  py::tuple contours(shape.contours.size());
  for (std::size_t i = 0; i < shape.contours.size(); ++i) {
    const beziercurve::Contour& c = shape.contours[i];
    contours[i] = py::make_tuple(c.firstSegment, c.segmentCount, c.closed);
  }
  py::tuple paints(shape.paints.size());
  for (std::size_t i = 0; i < shape.paints.size(); ++i) {
    const beziercurve::Paint& p = shape.paints[i];
    paints[i] = py::make_tuple(p.firstContour, p.contourCount, p.filled, ruleName(p.rule));
  }
  return py::make_tuple(coordinates, shape.approximationError, contours, paints);
}

[[noreturn]] void refuseState(const char* type) {
  throw py::value_error(std::string("not the pickled state of a ") + type);
}

Shape shapeFromState(const py::tuple& state) {
  if (state.size() != 4 || !py::isinstance<py::bytes>(state[0])) refuseState("Shape");
  char* data = nullptr;
  py::ssize_t size = 0;
  if (PyBytes_AsStringAndSize(state[0].ptr(), &data, &size) != 0) throw py::error_already_set();
  if (size % static_cast<py::ssize_t>(sizeof(Cubic)) != 0) refuseState("Shape");
  Shape shape;
  shape.segments.resize(static_cast<std::size_t>(size) / sizeof(Cubic));
  if (size > 0) std::memcpy(shape.segments.data(), data, static_cast<std::size_t>(size));
  swapToLittleEndian(reinterpret_cast<char*>(shape.segments.data()),
                     static_cast<std::size_t>(size));
  shape.approximationError = numberOf(state[1], "approximation_error");
  shape.contours = contoursFrom(state[2]);
  shape.paints = paintsFrom(state[3]);
  return checkedShape(std::move(shape));
}

py::tuple pointState(const beziercurve::ShapePoint& p) {
  return py::make_tuple(p.segment, p.t, p.point.x, p.point.y);
}

beziercurve::ShapePoint pointFromState(py::handle state) {
  const py::tuple t = py::reinterpret_borrow<py::tuple>(state);
  if (!py::isinstance<py::tuple>(state) || t.size() != 4) refuseState("ShapePoint");
  return {t[0].cast<int>(), t[1].cast<double>(), {t[2].cast<double>(), t[3].cast<double>()}};
}

py::tuple distanceState(const Distance& d) {
  return py::make_tuple(d.lower, d.upper, d.witnessShape, pointState(d.witness),
                        pointState(d.nearest), d.steps, d.toleranceMet);
}

Distance distanceFromState(const py::tuple& t) {
  if (t.size() != 7) refuseState("Distance");
  return {t[0].cast<double>(),  t[1].cast<double>(),       t[2].cast<int>(), pointFromState(t[3]),
          pointFromState(t[4]), t[5].cast<std::int64_t>(), t[6].cast<bool>()};
}

bool samePoint(const beziercurve::ShapePoint& a, const beziercurve::ShapePoint& b) {
  return a.segment == b.segment && a.t == b.t && a.point.x == b.point.x && a.point.y == b.point.y;
}

bool sameDistance(const Distance& a, const Distance& b) {
  return a.lower == b.lower && a.upper == b.upper && a.witnessShape == b.witnessShape &&
         samePoint(a.witness, b.witness) && samePoint(a.nearest, b.nearest) && a.steps == b.steps &&
         a.toleranceMet == b.toleranceMet;
}

// A walk's leashes as doubles, eight a leash (segment, t, x, y on A, then on B): its corners may
// number in the thousands.
py::bytes walkState(const std::vector<beziercurve::Leash>& walk) {
  std::vector<double> values;
  values.reserve(walk.size() * 8);
  for (const beziercurve::Leash& leash : walk) {
    for (const beziercurve::ShapePoint& p : {leash.onA, leash.onB}) {
      values.insert(values.end(), {static_cast<double>(p.segment), p.t, p.point.x, p.point.y});
    }
  }
  std::string bytes(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
  swapToLittleEndian(bytes.data(), bytes.size());
  return py::bytes(bytes);
}

std::vector<beziercurve::Leash> walkFromState(py::handle state) {
  if (!py::isinstance<py::bytes>(state)) refuseState("FrechetDistance");
  std::string bytes = state.cast<std::string>();
  if (bytes.size() % (8 * sizeof(double)) != 0) refuseState("FrechetDistance");
  swapToLittleEndian(bytes.data(), bytes.size());
  std::vector<double> values(bytes.size() / sizeof(double));
  if (!bytes.empty()) std::memcpy(values.data(), bytes.data(), bytes.size());
  std::vector<beziercurve::Leash> walk(values.size() / 8);
  for (std::size_t i = 0; i < walk.size(); ++i) {
    const double* v = &values[8 * i];
    walk[i].onA = {static_cast<int>(v[0]), v[1], {v[2], v[3]}};
    walk[i].onB = {static_cast<int>(v[4]), v[5], {v[6], v[7]}};
  }
  return walk;
}

py::tuple frechetState(const beziercurve::FrechetDistance& f) {
  return py::make_tuple(f.lower, f.upper, walkState(f.walk), walkState({f.bottleneck}), f.steps,
                        f.toleranceMet, f.reversed, f.unmetReason);
}

beziercurve::FrechetDistance frechetFromState(const py::tuple& t) {
  if (t.size() != 8) refuseState("FrechetDistance");
  beziercurve::FrechetDistance f;
  f.lower = t[0].cast<double>();
  f.upper = t[1].cast<double>();
  f.walk = walkFromState(t[2]);
  const std::vector<beziercurve::Leash> bottleneck = walkFromState(t[3]);
  if (bottleneck.size() != 1) refuseState("FrechetDistance");
  f.bottleneck = bottleneck[0];
  f.steps = t[4].cast<std::int64_t>();
  f.toleranceMet = t[5].cast<bool>();
  f.reversed = t[6].cast<bool>();
  f.unmetReason = t[7].cast<std::string>();
  return f;
}

bool sameLeash(const beziercurve::Leash& a, const beziercurve::Leash& b) {
  return samePoint(a.onA, b.onA) && samePoint(a.onB, b.onB);
}

bool sameFrechet(const beziercurve::FrechetDistance& a, const beziercurve::FrechetDistance& b) {
  return a.lower == b.lower && a.upper == b.upper && a.steps == b.steps &&
         a.toleranceMet == b.toleranceMet && a.reversed == b.reversed &&
         a.unmetReason == b.unmetReason && sameLeash(a.bottleneck, b.bottleneck) &&
         std::equal(a.walk.begin(), a.walk.end(), b.walk.begin(), b.walk.end(), sameLeash);
}

py::tuple leashTuple(const beziercurve::Leash& leash) {
  return py::make_tuple(SidePoint{0, leash.onA}, SidePoint{1, leash.onB});
}

std::string reprOfLeash(const beziercurve::Leash& leash) {
  return "(" + reprOf(SidePoint{0, leash.onA}) + ", " + reprOf(SidePoint{1, leash.onB}) + ")";
}

// `other` compared by `same` when it is a T, else NotImplemented.
template <typename T, typename Same>
py::object equalTo(const T& self, py::handle other, const Same& same) {
  if (!py::isinstance<T>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
  return py::bool_(same(self, other.cast<const T&>()));
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
      .def(
          "__len__", [](const Shape& s) { return s.segments.size(); }, "The number of cubics.")
      .def(
          "__array__",
          [](const Shape& s, py::object dtype, py::object /*copy*/) {
            py::array array = arrayOf(s);
            if (dtype.is_none()) return array;
            return py::array(array.attr("astype")(dtype));
          },
          "dtype"_a = py::none(), "copy"_a = py::none(),
          "The cubics as a new NumPy array of shape (n, 4, 2), float64 unless dtype says.")
      .def_property_readonly(
          "approximation_error", [](const Shape& s) { return s.approximationError; },
          "The bound on the distance between the cubics and the figure they stand for.")
      .def_property_readonly("contours", &contourTuples,
                             "The contours, (first_segment, segment_count, closed) tuples in "
                             "order; for cubics given without them, the runs of segments that "
                             "each start where the one before ends.")
      .def_property_readonly("paints", &paintTuples,
                             "The paints, (first_contour, contour_count, filled, fill_rule) "
                             "tuples in order; without them, one filled 'nonzero' paint of every "
                             "contour.")
      .def(
          "__eq__",
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
          },
          "Equal: the same cubics, error bound, contours and paints.")
      .def(py::pickle(&shapeState, &shapeFromState))
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
      .def_property_readonly(
          "shape", [](const SidePoint& p) { return sideName(p.shape); },
          "'A' or 'B': the shape the point lies on.")
      .def_property_readonly(
          "segment",
          [](const SidePoint& p) -> py::object {
            if (inFill(p)) return py::none();
            return py::int_(p.at.segment);
          },
          "The index of its segment in that shape; None for a point of a fill.")
      .def_property_readonly(
          "t",
          [](const SidePoint& p) -> py::object {
            if (inFill(p)) return py::none();
            return py::float_(p.at.t);
          },
          "The parameter of the point on its segment; None for a point of a fill.")
      .def_property_readonly(
          "point", [](const SidePoint& p) { return py::make_tuple(p.at.point.x, p.at.point.y); },
          "The point, (x, y).")
      .def(
          "__eq__",
          [](const SidePoint& p, py::handle other) {
            return equalTo(p, other, [](const SidePoint& a, const SidePoint& b) {
              return a.shape == b.shape && samePoint(a.at, b.at);
            });
          },
          "Equal: the same shape, segment, t and point.")
      .def(py::pickle([](const SidePoint& p) { return py::make_tuple(p.shape, pointState(p.at)); },
                      [](const py::tuple& t) {
                        if (t.size() != 2) refuseState("ShapePoint");
                        return SidePoint{t[0].cast<int>(), pointFromState(t[1])};
                      }))
      .def("__repr__", [](const SidePoint& p) { return reprOf(p); });
  m.attr("ShapePoint").attr("__hash__") = py::none();

  py::class_<Distance>(m, "Distance",
                       "A certified Hausdorff distance: lower <= H <= upper. The witness is "
                       "where H is attained, to within the tolerance, and nearest its nearest "
                       "point on the other shape (both None for two shapes that draw nothing).")
      .def_readonly("lower", &Distance::lower, "A certified lower bound of the distance.")
      .def_readonly("upper", &Distance::upper, "A certified upper bound of the distance.")
      .def_readonly("steps", &Distance::steps, "The pieces the search refined.")
      .def_readonly("tolerance_met", &Distance::toleranceMet,
                    "upper - lower is within the tolerance asked: False only where rounding at "
                    "the coordinates' magnitude stopped the interval narrowing.")
      .def_property_readonly(
          "interval", [](const Distance& d) { return py::make_tuple(d.lower, d.upper); },
          "(lower, upper).")
      .def_property_readonly("witness", &witnessOf,
                             "The ShapePoint where the distance is attained, to within the "
                             "tolerance; None for two shapes that draw nothing.")
      .def_property_readonly("nearest", &nearestOf,
                             "The witness's nearest point on the other shape, a ShapePoint.")
      .def(
          "__eq__",
          [](const Distance& d, py::handle other) { return equalTo(d, other, &sameDistance); },
          "Equal: the same interval, points, steps and tolerance_met.")
      .def(py::pickle(&distanceState, &distanceFromState))
      .def("__repr__", [](const Distance& d) {
        return "Distance(lower=" + reprOf(d.lower) + ", upper=" + reprOf(d.upper) +
               ", tolerance_met=" + (d.toleranceMet ? "True" : "False") +
               ", steps=" + std::to_string(d.steps) +
               ", witness=" + py::repr(witnessOf(d)).cast<std::string>() +
               ", nearest=" + py::repr(nearestOf(d)).cast<std::string>() + ")";
      });
  m.attr("Distance").attr("__hash__") = py::none();

  py::class_<beziercurve::FrechetDistance>(
      m, "FrechetDistance",
      "A certified Fréchet distance: lower <= F <= upper, with the walk found (its corners) and "
      "its bottleneck, where it needs its longest leash.")
      .def_readonly("lower", &beziercurve::FrechetDistance::lower,
                    "A certified lower bound of the distance (and of the Hausdorff distance).")
      .def_readonly("upper", &beziercurve::FrechetDistance::upper,
                    "A certified upper bound of the distance: the walk's leash stays within it.")
      .def_readonly("steps", &beziercurve::FrechetDistance::steps, "The pieces the search split.")
      .def_readonly("reversed", &beziercurve::FrechetDistance::reversed,
                    "Whether the walk goes along B backwards (with either_direction).")
      .def_readonly("tolerance_met", &beziercurve::FrechetDistance::toleranceMet,
                    "upper - lower is within the tolerance asked.")
      .def_readonly("unmet_reason", &beziercurve::FrechetDistance::unmetReason,
                    "Why the search ended short of the tolerance (a work limit reached, ...); \"\" "
                    "when tolerance_met.")
      .def_property_readonly(
          "interval",
          [](const beziercurve::FrechetDistance& f) { return py::make_tuple(f.lower, f.upper); },
          "(lower, upper).")
      .def_property_readonly(
          "walk",
          [](const beziercurve::FrechetDistance& f) {
            py::tuple walk(f.walk.size());
            for (std::size_t i = 0; i < f.walk.size(); ++i) walk[i] = leashTuple(f.walk[i]);
            return walk;
          },
          "The walk's corners, (point on A, point on B) ShapePoint pairs: between two corners "
          "each walker moves along its path.")
      .def_property_readonly(
          "bottleneck",
          [](const beziercurve::FrechetDistance& f) { return leashTuple(f.bottleneck); },
          "(point on A, point on B) where the walk needs its longest leash.")
      .def(
          "__eq__",
          [](const beziercurve::FrechetDistance& f, py::handle other) {
            return equalTo(f, other, &sameFrechet);
          },
          "Equal: the same interval, walk, bottleneck, steps and tolerance_met.")
      .def(py::pickle(&frechetState, &frechetFromState))
      .def("__repr__", [](const beziercurve::FrechetDistance& f) {
        return "FrechetDistance(lower=" + reprOf(f.lower) + ", upper=" + reprOf(f.upper) +
               ", tolerance_met=" + (f.toleranceMet ? "True" : "False") +
               ", steps=" + std::to_string(f.steps) + ", walk=" + std::to_string(f.walk.size()) +
               " corners, bottleneck=" + reprOfLeash(f.bottleneck) + ")";
      });
  m.attr("FrechetDistance").attr("__hash__") = py::none();

  py::class_<Refusal>(m, "Refusal",
                      "A pair hausdorff_many(..., errors='return') did not measure: pair (its "
                      "index), error (the exception errors='raise' raises for it: 'ValueError', "
                      "'TypeError' or 'MemoryError') and message (its words, naming the pair).")
      .def_readonly("pair", &Refusal::pair, "The pair's index in the input.")
      .def_readonly("error", &Refusal::error,
                    "The name of the exception errors='raise' raises for the pair.")
      .def_readonly("message", &Refusal::message, "Why the pair was not measured.")
      .def(
          "__eq__",
          [](const Refusal& r, py::handle other) {
            return equalTo(r, other, [](const Refusal& a, const Refusal& b) {
              return a.pair == b.pair && a.error == b.error && a.message == b.message;
            });
          },
          "Equal: the same pair, error and message.")
      .def(py::pickle([](const Refusal& r) { return py::make_tuple(r.pair, r.error, r.message); },
                      [](const py::tuple& t) {
                        if (t.size() != 3) refuseState("Refusal");
                        return Refusal{t[0].cast<std::size_t>(), t[1].cast<std::string>(),
                                       t[2].cast<std::string>()};
                      }))
      .def("__str__", [](const Refusal& r) { return r.message; })
      .def("__repr__", [](const Refusal& r) {
        return "Refusal(pair=" + std::to_string(r.pair) + ", error='" + r.error +
               "', message=" + py::repr(py::str(r.message)).cast<std::string>() + ")";
      });
  m.attr("Refusal").attr("__hash__") = py::none();

  m.def(
      "hausdorff",
      [](py::handle a, py::handle b, py::handle tolerance, bool fill) {
        const double tol = numberOf(tolerance, "tolerance");
        const Operand first = operandOf(a, "shape A", arcErrorFor(tol));
        const Operand second = operandOf(b, "shape B", arcErrorFor(tol));
        const std::string problem = pairProblem(first.get(), second.get());
        if (!problem.empty()) throw py::value_error(problem);
        requireTolerance(tol);
        if (bothEmpty(first.get(), second.get())) return emptyPairDistance();
        try {
          return interruptibly([&](const beziercurve::KeepGoing& keepGoing) {
            return beziercurve::hausdorff(first.get(), second.get(), tol, measureOf(fill),
                                          keepGoing);
          });
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
        raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
      },
      "a"_a, "b"_a, "tolerance"_a = beziercurve::kDefaultTolerance, py::kw_only(), "fill"_a = false,
      "The certified Hausdorff distance between a and b (Shapes, SVG path data or cubics), an "
      "interval at most `tolerance` wide: between their outlines, or with fill=True between "
      "what they paint (fills and outlines). Two shapes that draw nothing are 0 apart; one that "
      "draws nothing against one that does raises ValueError. Ctrl-C raises KeyboardInterrupt.");

  m.def(
      "frechet_by_contours",
      [](py::handle a, py::handle b, py::handle tolerance, bool anyStart, bool eitherDirection,
         bool pairContours) {
        const double tol = numberOf(tolerance, "tolerance");
        const Operand first = operandOf(a, "shape A", arcErrorFor(tol));
        const Operand second = operandOf(b, "shape B", arcErrorFor(tol));
        beziercurve::FrechetOptions options;
        options.anyStart = anyStart;
        options.eitherDirection = eitherDirection;
        options.pairContours = pairContours;
        const beziercurve::ContourFrechet f =
            interruptibly([&](const beziercurve::KeepGoing& keepGoing) {
              options.keepGoing = keepGoing;
              return beziercurve::frechetByContours(first.get(), second.get(), tol, options);
            });
        py::dict d;
        d["measured"] = f.measured;
        d["lower"] = f.distance.lower;
        d["upper"] = f.distance.upper;
        d["steps"] = f.distance.steps;
        d["tolerance_met"] = f.distance.toleranceMet;
        d["unmet_reason"] = f.unmetReason;
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
      "tolerance_met, unmet_reason (why not, \"\" when met), measured (False when the contour "
      "counts differ without pair_contours), "
      "pairs [(contour of A, contour of B, walked backwards, lower, upper)] and unmatched "
      "(A's, B's). Ctrl-C raises KeyboardInterrupt.");

  m.def(
      "within",
      [](py::handle a, py::handle b, py::handle d, bool fill) -> py::object {
        const double threshold = numberOf(d, "d");
        const Operand first = operandOf(a, "shape A", beziercurve::kDefaultArcError);
        const Operand second = operandOf(b, "shape B", beziercurve::kDefaultArcError);
        const std::string problem = pairProblem(first.get(), second.get());
        if (!problem.empty()) throw py::value_error(problem);
        const std::string thresholdProblem = beziercurve::thresholdProblem(threshold);
        if (!thresholdProblem.empty()) throw py::value_error(thresholdProblem);
        if (bothEmpty(first.get(), second.get())) return py::bool_(true);
        beziercurve::Verdict verdict;
        try {
          verdict = interruptibly([&](const beziercurve::KeepGoing& keepGoing) {
                      return beziercurve::within(first.get(), second.get(), threshold,
                                                 measureOf(fill), keepGoing);
                    }).verdict;
        } catch (const std::bad_alloc&) {
          raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
        } catch (const std::length_error&) {
          raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
        }
        return verdictOf(verdict);
      },
      "a"_a, "b"_a, "d"_a, py::kw_only(), "fill"_a = false,
      "Whether the Hausdorff distance between a and b (with fill=True, between what they "
      "paint) is at most d: True, False, or None when d lies within rounding of the distance. "
      "Ctrl-C raises KeyboardInterrupt.");

  m.def(
      "frechet",
      [](py::handle a, py::handle b, py::handle tolerance, bool anyStart, bool eitherDirection) {
        const double tol = numberOf(tolerance, "tolerance");
        const Operand first = operandOf(a, "shape A", arcErrorFor(tol));
        const Operand second = operandOf(b, "shape B", arcErrorFor(tol));
        try {
          return interruptibly([&](const beziercurve::KeepGoing& keepGoing) {
            beziercurve::FrechetOptions options;
            options.anyStart = anyStart;
            options.eitherDirection = eitherDirection;
            options.keepGoing = keepGoing;
            return beziercurve::frechet(first.get(), second.get(), tol, options);
          });
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
        raiseMemoryError(tooLargeToMeasure(first.get(), second.get()));
      },
      "a"_a, "b"_a, "tolerance"_a = beziercurve::kDefaultTolerance, py::kw_only(),
      "any_start"_a = false, "either_direction"_a = false,
      "The certified Fréchet distance between a and b, each one continuous path, an interval at "
      "most `tolerance` wide, with the walk found; with any_start=True two closed paths may "
      "start anywhere, each going once around; with either_direction=True the walk along b may "
      "go backwards (`reversed` says whether it did). Ctrl-C raises KeyboardInterrupt.");

  m.def("hausdorff_many", &hausdorffMany, "pairs"_a, "tolerance"_a = beziercurve::kDefaultTolerance,
        "jobs"_a = py::none(), py::kw_only(), "fill"_a = false, "errors"_a = "raise",
        "hausdorff(a, b, tolerance, fill=fill) of every pair (a, b), in input order, measured on "
        "`jobs` threads (None: one per core) without holding the GIL. A pair that cannot be "
        "measured raises, its message naming it ('pair 3, shape A: ...'), or with "
        "errors='return' has in its place a Refusal saying why in the same words, the others "
        "measured. Ctrl-C stops every thread and raises KeyboardInterrupt.");

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
  m.def("pair_fonts", &pairFontsOf, "a"_a, "b"_a,
        "The fonts of a and b (folders, fonts or FONT@instances) paired as bezier-hausdorff "
        "--glyphs all pairs them (by PostScript name, then family and style): a dict of pairs "
        "((font A, font B) tuples), only_in_a, only_in_b and errors (fonts that cannot be "
        "read).");

  m.def("glyph_pairs", &glyphPairsOf, "a"_a, "b"_a, py::kw_only(), "match"_a = "auto",
        "scale"_a = true, "jobs"_a = py::none(),
        "Every glyph fonts a and b share, paired as compare_fonts pairs them and, unless "
        "scale=False, B's brought to A's em: a list of dicts of name, code_point, a and b "
        "(Shapes) and problem (why a glyph cannot be read, else None).");

  py::class_<FontComparisonRun>(m, "FontComparison",
                                "The records of compare_fonts, in the pairing's order, each as "
                                "soon as it is measured; `summary` once they are all taken.")
      .def("__iter__", [](FontComparisonRun& run) -> FontComparisonRun& { return run; })
      .def("__next__", &FontComparisonRun::next)
      .def_property_readonly("summary", &FontComparisonRun::summary,
                             "What the comparison says at the end, as a dict; None until every "
                             "record is taken.");

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
