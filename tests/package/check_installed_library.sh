#!/usr/bin/env bash
# Installs a build with `cmake --install --prefix /usr` into a temporary DESTDIR (nothing is
# installed on the machine) and uses libbeziercurve from there as a program outside the project
# would:
#   - the library, its SONAME link and the development link are in the multiarch folder, with
#     the headers, the CMake package and beziercurve.pc;
#   - the library's dynamic symbols are the API's alone (namespace beziercurve);
#   - examples/ configures with find_package(BezierCurve) from the DESTDIR tree (not this build
#     tree), builds, and its program measures two parallel unit segments 1 apart and refuses bad
#     path data with the reader's message;
#   - the same example compiled with `pkg-config --cflags --libs beziercurve` (PKG_CONFIG_LIBDIR
#     and PKG_CONFIG_SYSROOT_DIR in the DESTDIR tree) runs too.
#
#   check_installed_library.sh SOURCE_DIR BUILD_DIR VERSION
# BUILD_DIR must be configured with the prefix /usr (./package.sh's build is).
set -euo pipefail
source_dir=$1
build=$2
version=$3

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
multiarch=$(gcc -print-multiarch)
libdir=$root/usr/lib/$multiarch

echo "--- cmake --install $build --prefix /usr (DESTDIR=$root)"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

echo "--- installed files"
for path in "$libdir/libbeziercurve.so.$version" "$root/usr/include/beziercurve/beziercurve.h" \
  "$root/usr/include/beziercurve/version.h" "$libdir/pkgconfig/beziercurve.pc" \
  "$libdir/cmake/BezierCurve/BezierCurveConfig.cmake" \
  "$libdir/cmake/BezierCurve/BezierCurveConfigVersion.cmake"; do
  [ -f "$path" ] || fail "${path#"$root"} is not installed"
done
[ "$(readlink "$libdir/libbeziercurve.so.2")" = "libbeziercurve.so.$version" ] ||
  fail "libbeziercurve.so.2 does not link to libbeziercurve.so.$version"
[ "$(readlink "$libdir/libbeziercurve.so")" = libbeziercurve.so.2 ] ||
  fail "libbeziercurve.so does not link to libbeziercurve.so.2"
soname=$(readelf -d "$libdir/libbeziercurve.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libbeziercurve.so.2 ] || fail "the library's SONAME is '$soname'"
grep -qx "#define BEZIERCURVE_VERSION \"$version\"" "$root/usr/include/beziercurve/version.h" ||
  fail "the installed version.h does not say $version"
# Nothing but the library and its own files: no internal static library, test or tool.
strays=$(find "$root/usr/lib" \( -name '*.a' -o -name '*test*' \) -printf '%P\n')
[ -z "$strays" ] || fail "installed besides the library: $strays"

echo "--- exported symbols"
symbols=$(nm -D --defined-only "$libdir/libbeziercurve.so.$version" | c++filt |
  sed 's/^[0-9a-f]* [A-Za-z] //')
echo "$(wc -l <<<"$symbols") defined dynamic symbols"
grep -qx 'beziercurve::hausdorff(beziercurve::Shape const&, beziercurve::Shape const&, double, beziercurve::Measure, std::function<bool ()> const&)' \
  <<<"$symbols" || fail "beziercurve::hausdorff is not exported"
grep -qx 'typeinfo for beziercurve::Interrupted' <<<"$symbols" ||
  fail "beziercurve::Interrupted's type is not exported (a program could not catch it)"
foreign=$(grep -Ev '^((typeinfo|typeinfo name|vtable) for )?beziercurve::' <<<"$symbols" || true)
[ -z "$foreign" ] || fail "the library exports symbols outside namespace beziercurve:
$foreign"

# measure PROGRAM: runs it on two shapes whose distance is known, and on bad path data.
check_measure() {
  local program=$1
  local output
  output=$(LD_LIBRARY_PATH=$libdir "$program" 'M 0 0 L 1 0' 'M 0 1 h 1') ||
    { fail "$program failed on two segments"; return; }
  echo "$output"
  # distance in [LOWER, UPPER] (tolerance T): the interval holds 1 and is at most T wide.
  awk -v v="$version" '
    NR == 1 { gsub(/[][,()]/, " "); ok = $3 <= 1 && 1 <= $4 && $4 - $3 <= $6 && $4 - $3 >= 0 }
    NR == 2 { ok = ok && $0 == "libbeziercurve " v ", built against " v }
    END { exit !(ok && NR == 2) }' <<<"$output" ||
    fail "$program: the interval does not hold 1 within the tolerance, or the versions differ"
  local status=0
  output=$(LD_LIBRARY_PATH=$libdir "$program" 'M 0 0 L 1' 'M 0 1 h 1' 2>&1) || status=$?
  [ "$status" -eq 2 ] || fail "$program exits with $status on bad path data, not 2"
  [ "$output" = "shape A: path data, character 10: expected a number after 'L', found the end" ] ||
    fail "$program on bad path data says: $output"
  local library
  library=$(LD_LIBRARY_PATH=$libdir ldd "$program" | awk '$1 == "libbeziercurve.so.2" { print $3 }')
  [ "$library" = "$libdir/libbeziercurve.so.2" ] ||
    fail "$program loads libbeziercurve from '$library', not the DESTDIR tree"
}

echo "--- examples/ with find_package(BezierCurve)"
example=$scratch/example
if cmake -S "$source_dir/examples" -B "$example" -DCMAKE_PREFIX_PATH="$root/usr" \
  -DCMAKE_BUILD_TYPE=Release >"$scratch/configure.log" 2>&1 &&
  cmake --build "$example" >"$scratch/build.log" 2>&1; then
  found=$(sed -n 's/^BezierCurve_DIR:PATH=//p' "$example/CMakeCache.txt")
  [ "$found" = "$libdir/cmake/BezierCurve" ] ||
    fail "find_package(BezierCurve) found '$found', not the DESTDIR tree's"
  check_measure "$example/measure"
else
  cat "$scratch/configure.log" "$scratch/build.log" >&2 || true
  fail "examples/ does not configure and build against the installed library"
fi

echo "--- the example with pkg-config"
export PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root
[ "$(pkg-config --modversion beziercurve)" = "$version" ] ||
  fail "pkg-config says version '$(pkg-config --modversion beziercurve)'"
flags=$(pkg-config --cflags --libs beziercurve)
echo "$flags"
# shellcheck disable=SC2086  # the flags are words
if g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror "$source_dir/examples/measure.cpp" $flags \
  -o "$scratch/measure-pkg-config"; then
  check_measure "$scratch/measure-pkg-config"
else
  fail "the example does not compile with pkg-config's flags"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "the installed library passes every check"
