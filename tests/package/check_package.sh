#!/usr/bin/env bash
# Checks the Debian packages that ./package.sh made, without installing them:
#   - lintian finds no error and no warning in any of them (its notes are printed);
#   - the control fields: the project's version, a maintainer, each package's section, the
#     dependencies (every package needs the library package of exactly its version; the rest
#     read off the binaries); the library's shlibs file and ldconfig trigger, and no maintainer
#     script; the changelog's latest entry has the same version;
#   - each package holds exactly the files expected, with Debian's permissions, and its own
#     copyright and changelog;
#   - all unpacked into one temporary folder, with the library beside the programs
#     (LD_LIBRARY_PATH): every binary finds its libraries, bezier-hausdorff answers the default
#     pair and both programs print the version (the viewer with no display: it must not need one
#     for that); the Python module, when packaged, imports;
#   - the library is stripped and exports only the API; the development package's CMake
#     package and pkg-config file lead to the unpacked headers and library: examples/ builds
#     against them and runs;
#   - desktop-file-validate accepts the desktop entry, whose Exec and Icon name packaged files;
#   - the icon is an SVG that ImageMagick can draw;
#   - man renders both pages at 80 columns without a warning.
#
#   check_package.sh SOURCE_DIR PACKAGE_LIST VERSION
# PACKAGE_LIST: a file with ./package.sh's standard output (the .deb paths are its last lines).
set -euo pipefail
source_dir=$1
package_list=$2
version=$3

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# The packages by name. The Python module's package is expected when the source has the module.
declare -A deb=()
while IFS= read -r path; do
  deb[$(dpkg-deb --field "$path" Package)]=$path
done < <(grep '\.deb$' "$package_list")
expected_packages="beziercurve libbeziercurve-dev libbeziercurve2"
[ -d "$source_dir/python" ] && expected_packages+=" python3-beziercurve"
actual_packages=$(printf '%s\n' "${!deb[@]}" | sort | xargs)
[ "$actual_packages" = "$expected_packages" ] ||
  { echo "FAILED: the packages are '$actual_packages', not '$expected_packages'" >&2; exit 1; }
for package in $actual_packages; do
  echo "package: ${deb[$package]} ($(stat -c %s "${deb[$package]}") bytes)"
done

echo "--- lintian"
lintian_status=0
lintian_output=$(lintian --fail-on error,warning --display-info "${deb[@]}" 2>&1) ||
  lintian_status=$?
grep -v 'running with root privileges' <<<"$lintian_output" || echo "(no tags)"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings (status $lintian_status)"

echo "--- control fields"
changelog_version=$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -S Version)
[ "$changelog_version" = "$version" ] ||
  fail "packaging/changelog's latest entry is $changelog_version, the project is $version"
library_dependency="libbeziercurve2 (= $version)"
# The Python module is built for Debian's python3, whose version and ABI tag it carries.
python_version=$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
python_next=$(/usr/bin/python3 -c 'import sys; print("%d.%d" % (sys.version_info[0], sys.version_info[1] + 1))')
python_suffix=$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
declare -A section=([beziercurve]=math [libbeziercurve2]=libs [libbeziercurve-dev]=libdevel
  [python3-beziercurve]=python)
# Each package's dependencies, as extended regular expressions matched against Depends.
declare -A requires=(
  [beziercurve]="^libbeziercurve2 \(= $version\), .*libc6 .*libglut.*libstdc\+\+6"
  [libbeziercurve2]="libc6 .*libfreetype6 .*libpugixml.*libstdc\+\+6"
  [libbeziercurve-dev]="^libbeziercurve2 \(= $version\)$"
  [python3-beziercurve]="^libbeziercurve2 \(= $version\), python3 \(>= $python_version\), python3 \(<< $python_next\), python3-numpy, .*libc6 .*libstdc\+\+6")
field() { dpkg-deb --field "${deb[$package]}" "$1"; }
for package in $actual_packages; do
  [ "$(field Version)" = "$version" ] || fail "$package: Version is '$(field Version)'"
  [ "$(field Source)" = beziercurve ] || fail "$package: Source is '$(field Source)'"
  [ -n "$(field Maintainer)" ] || fail "$package: no Maintainer"
  [ "$(field Section)" = "${section[$package]}" ] ||
    fail "$package: Section is '$(field Section)', not ${section[$package]}"
  depends=$(field Depends)
  echo "$package depends on: $depends"
  grep -Eq "${requires[$package]}" <<<"$depends" ||
    fail "$package: Depends does not match '${requires[$package]}'"
  if [ "$package" != libbeziercurve2 ] && ! grep -qF "$library_dependency" <<<"$depends"; then
    fail "$package does not depend on $library_dependency"
  fi
done
control=$(dpkg-deb --ctrl-tarfile "${deb[libbeziercurve2]}" | tar -t | sed 's|^\./||' | sort | xargs)
[ "$control" = "control md5sums shlibs triggers" ] ||
  fail "libbeziercurve2's control member holds '$control', not control, md5sums, shlibs, triggers"
# Programs built against this version run with any later one of the same SONAME.
shlibs=$(dpkg-deb --info "${deb[libbeziercurve2]}" shlibs)
[ "$shlibs" = "libbeziercurve 2 libbeziercurve2 (>= $version)" ] ||
  fail "libbeziercurve2's shlibs is '$shlibs'"
[ "$(dpkg-deb --info "${deb[libbeziercurve2]}" triggers)" = "activate-noawait ldconfig" ] ||
  fail "libbeziercurve2 does not activate the ldconfig trigger"
for package in $actual_packages; do
  scripts=$(dpkg-deb --ctrl-tarfile "${deb[$package]}" | tar -t | grep -E 'pre|post' || true)
  [ -z "$scripts" ] || fail "$package has maintainer scripts: $scripts"
done

echo "--- contents"
multiarch=$(gcc -print-multiarch)
documents() { printf './usr/share/doc/%s/changelog.gz 644\n./usr/share/doc/%s/copyright 644\n' "$1" "$1"; }
declare -A expected_files
expected_files[beziercurve]="./usr/bin/bezier-hausdorff 755
./usr/bin/beziercurve 755
./usr/share/applications/beziercurve.desktop 644
./usr/share/doc/beziercurve/README.md 644
$(documents beziercurve)
./usr/share/doc/beziercurve/docs/benchmarks.md 644
./usr/share/doc/beziercurve/docs/certified-search.md 644
./usr/share/doc/beziercurve/docs/command-line.md 644
./usr/share/doc/beziercurve/docs/examples/heart-simplified.svg 644
./usr/share/doc/beziercurve/docs/examples/heart.svg 644
./usr/share/doc/beziercurve/docs/examples/svgo-largest-change.svg 644
./usr/share/doc/beziercurve/docs/library.md 644
./usr/share/doc/beziercurve/docs/packaging.md 644
./usr/share/doc/beziercurve/docs/python.md 644
./usr/share/doc/beziercurve/docs/robustness.md 644
./usr/share/doc/beziercurve/docs/screenshot.png 644
./usr/share/doc/beziercurve/docs/viewer.md 644
./usr/share/icons/hicolor/scalable/apps/beziercurve.svg 644
./usr/share/man/man1/bezier-hausdorff.1.gz 644
./usr/share/man/man1/beziercurve.1.gz 644"
expected_files[libbeziercurve2]="./usr/lib/$multiarch/libbeziercurve.so.$version 644
./usr/lib/$multiarch/libbeziercurve.so.2 -> libbeziercurve.so.$version
$(documents libbeziercurve2)"
expected_files[libbeziercurve-dev]="./usr/include/beziercurve/beziercurve.h 644
./usr/include/beziercurve/version.h 644
./usr/lib/$multiarch/cmake/BezierCurve/BezierCurveConfig.cmake 644
./usr/lib/$multiarch/cmake/BezierCurve/BezierCurveConfigVersion.cmake 644
./usr/lib/$multiarch/cmake/BezierCurve/BezierCurveTargets-release.cmake 644
./usr/lib/$multiarch/cmake/BezierCurve/BezierCurveTargets.cmake 644
./usr/lib/$multiarch/libbeziercurve.so -> libbeziercurve.so.2
./usr/lib/$multiarch/pkgconfig/beziercurve.pc 644
$(documents libbeziercurve-dev)
./usr/share/doc/libbeziercurve-dev/examples/CMakeLists.txt 644
./usr/share/doc/libbeziercurve-dev/examples/measure.cpp 644"
expected_files[python3-beziercurve]="./usr/lib/python3/dist-packages/beziercurve/__init__.py 644
./usr/lib/python3/dist-packages/beziercurve/_beziercurve$python_suffix 644
./usr/lib/python3/dist-packages/beziercurve/_beziercurve.pyi 644
./usr/lib/python3/dist-packages/beziercurve/pen.py 644
./usr/lib/python3/dist-packages/beziercurve/pen.pyi 644
./usr/lib/python3/dist-packages/beziercurve/py.typed 644
$(documents python3-beziercurve)"
# "-rwxr-xr-x root/root SIZE DATE TIME PATH" -> "PATH 755"; "lrwxrwxrwx ... PATH -> TARGET"
# stays "PATH -> TARGET"; directories must all be 755.
mode() { awk '$1 ~ /^l/ { print $6, $7, $8; next }
              { m = 0; for (i = 2; i <= 10; i++) m = m * 2 + (substr($1, i, 1) != "-");
                printf "%s %o\n", $6, m }'; }
for package in $actual_packages; do
  contents=$(dpkg-deb --contents "${deb[$package]}")
  expected=$(sort <<<"${expected_files[$package]}")
  actual=$(grep -v '^d' <<<"$contents" | mode | sort)
  [ "$actual" = "$expected" ] ||
    fail "$package's files and modes differ from the expected:
$(diff <(echo "$expected") <(echo "$actual") || true)"
  odd_dirs=$(grep '^d' <<<"$contents" | mode | grep -v ' 755$' || true)
  [ -z "$odd_dirs" ] || fail "$package: directories not 755: $odd_dirs"
  if grep -v ' root/root ' <<<"$contents" | grep -q .; then fail "$package: files not owned by root"; fi
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for package in $actual_packages; do dpkg -x "${deb[$package]}" "$root"; done
libdir=$root/usr/lib/$multiarch
export LD_LIBRARY_PATH=$libdir

echo "--- the unpacked binaries"
binaries=("$root/usr/bin/bezier-hausdorff" "$root/usr/bin/beziercurve"
  "$libdir/libbeziercurve.so.$version")
[ -n "${deb[python3-beziercurve]:-}" ] &&
  binaries+=("$root/usr/lib/python3/dist-packages/beziercurve/_beziercurve$python_suffix")
for binary in "${binaries[@]}"; do
  missing=$(ldd "$binary" | grep 'not found' || true)
  [ -z "$missing" ] || fail "${binary#"$root"} lacks libraries: $missing"
  # Stripped, as Debian's strip leaves them: no symbol table and no .comment section.
  file "$binary" | grep -q ', stripped$' || fail "${binary#"$root"} is not stripped"
  if readelf -S "$binary" | grep -q '\.comment'; then fail "${binary#"$root"} keeps .comment"; fi
done
cli="$root/usr/bin/bezier-hausdorff"
result=$("$cli" -0.2 -0.3 -0.1 -0.1 0.1 -0.1 0.2 -0.3 -0.2 0.3 -0.1 0.1 0.1 0.1 0.2 0.3) ||
  fail "bezier-hausdorff failed on the default pair"
echo "$result"
[[ "$result" == "distance ["* ]] || fail "bezier-hausdorff's answer does not start with 'distance ['"
[ "$("$cli" --version)" = "bezier-hausdorff $version" ] ||
  fail "bezier-hausdorff --version prints '$("$cli" --version)'"
viewer_version=$(env -u DISPLAY "$root/usr/bin/beziercurve" --version 2>&1) ||
  fail "beziercurve --version failed: $viewer_version"
[ "$viewer_version" = "beziercurve $version" ] ||
  fail "beziercurve --version prints '$viewer_version'"
foreign=$(nm -D --defined-only "$libdir/libbeziercurve.so.$version" | c++filt |
  sed 's/^[0-9a-f]* [A-Za-z] //' | grep -Ev '^((typeinfo|typeinfo name|vtable) for )?beziercurve::' || true)
[ -z "$foreign" ] || fail "libbeziercurve exports symbols outside namespace beziercurve: $foreign"
if [ -n "${deb[python3-beziercurve]:-}" ]; then
  module=$(PYTHONPATH=$root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
    'import beziercurve; print(beziercurve.__file__)') || fail "the Python module does not import"
  [ "${module:-}" = "$root/usr/lib/python3/dist-packages/beziercurve/__init__.py" ] ||
    fail "python3 imported beziercurve from '${module:-}', not the package"
fi

echo "--- the development package"
pc=$libdir/pkgconfig/beziercurve.pc
for line in prefix=/usr "libdir=\${prefix}/lib/$multiarch" "includedir=\${prefix}/include" \
  "Version: $version" "Libs: -L\${libdir} -lbeziercurve" "Cflags: -I\${includedir}"; do
  grep -qxF "$line" "$pc" || fail "beziercurve.pc lacks the line '$line'"
done
if grep -q '^Requires' "$pc"; then fail "beziercurve.pc requires other packages"; fi
example=$root/example-build
if cmake -S "$root/usr/share/doc/libbeziercurve-dev/examples" -B "$example" \
  -DCMAKE_PREFIX_PATH="$root/usr" >"$root/example.log" 2>&1 &&
  cmake --build "$example" >>"$root/example.log" 2>&1; then
  found=$(sed -n 's/^BezierCurve_DIR:PATH=//p' "$example/CMakeCache.txt")
  [ "$found" = "$libdir/cmake/BezierCurve" ] ||
    fail "find_package(BezierCurve) found '$found', not the unpacked package's"
  measured=$("$example/measure" 'M 0 0 L 1 0' 'M 0 1 h 1') || fail "the example program failed"
  echo "$measured"
  loaded=$(ldd "$example/measure" | awk '$1 == "libbeziercurve.so.2" { print $3 }')
  [ "$loaded" = "$libdir/libbeziercurve.so.2" ] ||
    fail "the example loads libbeziercurve from '$loaded', not the unpacked package"
else
  cat "$root/example.log" >&2
  fail "the packaged example does not build against the packaged CMake files"
fi

echo "--- desktop entry and icon"
desktop="$root/usr/share/applications/beziercurve.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not a packaged program"
# Started from the menu, the viewer's trace would only fill the session log.
grep -qx 'Exec=beziercurve --quiet' "$desktop" || fail "the desktop entry does not start beziercurve --quiet"
icon="$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg"
[ -f "$icon" ] || fail "Icon=$icon_name has no packaged SVG"
if command -v convert >/dev/null; then
  convert "svg:$icon" "png:$root/icon.png" || fail "the icon cannot be drawn"
fi

echo "--- man pages"
for page in beziercurve bezier-hausdorff; do
  path="$root/usr/share/man/man1/$page.1.gz"
  warnings=$(MANWIDTH=80 man --warnings -l "$path" 2>&1 >/dev/null) || fail "man cannot render $page"
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
  MANWIDTH=80 man -l "$path" 2>/dev/null | grep -q '^OPTIONS' || fail "$page has no OPTIONS"
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "the packages pass every check"
