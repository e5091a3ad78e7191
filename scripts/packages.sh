# Installs the Debian packages that are missing. Sourced by run.sh and test.sh.
#   ensure_packages PACKAGE...
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo=(sudo)
    else
      echo "error: these Debian packages are missing and installing them needs root:" >&2
      echo "  apt-get install ${missing[*]}" >&2
      echo "Run that as root (or this script with sudo), then try again." >&2
      exit 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

# What every build needs: the compiler, CMake, Ninja, the test framework and scdoc, which renders
# the man pages.
BUILD_PACKAGES=(g++ cmake ninja-build libgtest-dev libgmock-dev scdoc)

# bezier-hausdorff's option parser (header-only); prlimit (util-linux) is always there.
CLI_PACKAGES=(libcli11-dev)
# The shapes it reads: pugixml parses SVG files.
CLI_PACKAGES+=(libpugixml-dev)

# What the viewer needs to build: freeglut and GLU.
VIEWER_BUILD_PACKAGES=(freeglut3-dev libglu1-mesa-dev)

# What the viewer and its window tests need: the above, Mesa's software renderer, and a virtual X
# display with tools to drive it (xdotool) and photograph it (xwd, convert).
VIEWER_PACKAGES=("${VIEWER_BUILD_PACKAGES[@]}" libgl1-mesa-dri xvfb xdotool x11-apps imagemagick)

# What ./package.sh needs besides a build: Debian's build flags and dpkg-shlibdeps (dpkg-dev), and
# file, with which CPack finds the binaries to read dependencies from.
PACKAGE_PACKAGES=(dpkg-dev file)

# What the packages' checks need: lintian, desktop-file-validate, man to render the pages, and
# pkg-config (pkgconf) to build the example against the installed library.
PACKAGE_CHECK_PACKAGES=(lintian desktop-file-utils man-db pkgconf)

# What the benchmarks add (geometry-bench is part of the default build): Google Benchmark, the
# two peers (Boost.Geometry, 2Geom) and pkg-config to find 2Geom.
BENCH_PACKAGES=(libbenchmark-dev libboost-dev lib2geom-dev pkgconf)

# What the sanitized build and the fuzz targets need besides: clang and its sanitizer and
# libFuzzer runtimes.
SANITIZER_PACKAGES=(clang libclang-rt-14-dev)

# Glyph outlines (FreeType); the glyph tests' fonts (the same design with cubic and quadratic
# outlines), their SVG reader (pugixml) and renderer (rsvg-convert). Part of every build.
GLYPH_PACKAGES=(libfreetype-dev libpugixml-dev fonts-freefont-otf fonts-freefont-ttf librsvg2-bin)
# The independent reader the glyph tests check every glyph against (fontTools), and Inter as a
# variable TrueType font and as static OpenType instances of the same version.
GLYPH_PACKAGES+=(python3-fonttools fonts-inter fonts-inter-variable)
BUILD_PACKAGES+=("${GLYPH_PACKAGES[@]}")

# The SVG reader's real-file tests: Debian's scalable icons, the independent reader they are
# compared with (python3-svgelements, run with Debian's python3), and npm, which installs svgo
# (the real client whose optimised copies are measured) into a cache. Part of every build.
SVG_TEST_PACKAGES=(adwaita-icon-theme python3-svgelements)
BUILD_PACKAGES+=("${SVG_TEST_PACKAGES[@]}")

# The fill distance's tests: booleanOperations (run with Debian's python3) removes the overlaps of
# shapes whose fill must not change by it.
FILL_TEST_PACKAGES=(python3-booleanoperations)
BUILD_PACKAGES+=("${FILL_TEST_PACKAGES[@]}")

# The font report's test opens the page in a real browser (headless Chromium).
REPORT_TEST_PACKAGES=(chromium)
BUILD_PACKAGES+=("${REPORT_TEST_PACKAGES[@]}")

# svgo (the npm optimiser) in a cache directory, installed when missing; prints its path, or
# nothing when npm or its registry cannot be reached (the svgo test then skips and says why).
# npm comes with the Debian package npm, installed only where no npm is on PATH (NodeSource's
# nodejs ships its own).
SVGO_VERSION=4
ensure_svgo() {
  local cache="${XDG_CACHE_HOME:-$HOME/.cache}/beziercurve/svgo"
  local svgo="$cache/node_modules/.bin/svgo"
  if [ ! -x "$svgo" ]; then
    command -v npm >/dev/null 2>&1 || ensure_packages npm >&2
    mkdir -p "$cache"
    npm install --prefix "$cache" --no-audit --no-fund --silent "svgo@$SVGO_VERSION" >&2 ||
      echo "note: could not install svgo with npm; its test will be skipped" >&2
  fi
  [ -x "$svgo" ] && echo "$svgo"
  return 0
}

# The Python module: built with Debian's pybind11 for Debian's python3 (its headers in
# python3-dev), tested with pytest, and handing shapes over as NumPy arrays.
PYTHON_MODULE_PACKAGES=(pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest)
# Its pipeline tests: examples/dask_corpus.py on a local Dask cluster, and mypy, which checks the
# package's stubs against the module and a program against the stubs.
PYTHON_MODULE_PACKAGES+=(python3-dask python3-distributed python3-mypy)
BUILD_PACKAGES+=("${PYTHON_MODULE_PACKAGES[@]}")

# The test that runs the documents' examples as written is a Python script.
BUILD_PACKAGES+=(python3)
