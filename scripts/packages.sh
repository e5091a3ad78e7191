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

# What the package's checks need: lintian, desktop-file-validate, and man to render the pages.
PACKAGE_CHECK_PACKAGES=(lintian desktop-file-utils man-db)

# What the benchmarks add (geometry-bench is part of the default build): Google Benchmark, the
# two peers (Boost.Geometry, 2Geom) and pkg-config to find 2Geom.
BENCH_PACKAGES=(libbenchmark-dev libboost-dev lib2geom-dev pkgconf)

# What the sanitized build and the fuzz targets need besides: clang and its sanitizer and
# libFuzzer runtimes.
SANITIZER_PACKAGES=(clang libclang-rt-14-dev)

# Glyph outlines (FreeType); the glyph tests' fonts (the same design with cubic and quadratic
# outlines), their SVG reader (pugixml) and renderer (rsvg-convert). Part of every build.
GLYPH_PACKAGES=(libfreetype-dev libpugixml-dev fonts-freefont-otf fonts-freefont-ttf librsvg2-bin)
BUILD_PACKAGES+=("${GLYPH_PACKAGES[@]}")

# The test that runs the documents' examples as written is a Python script.
BUILD_PACKAGES+=(python3)
