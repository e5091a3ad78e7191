#!/usr/bin/env bash
# Builds the Debian package with ./package.sh and checks it without installing it:
#   - lintian finds no error (its warnings and notes are printed);
#   - the control fields: the project's version, a maintainer, a section, dependencies read off
#     the binaries; the changelog's latest entry has the same version;
#   - the files are exactly the two programs, their man pages, the desktop entry, the icon and
#     the docs, with Debian's permissions;
#   - unpacked into a temporary folder, bezier-hausdorff answers the default pair and both
#     programs print the version (the viewer with no display: it must not need one for that);
#   - desktop-file-validate accepts the desktop entry, whose Exec and Icon name packaged files;
#   - the icon is an SVG that ImageMagick can draw;
#   - man renders both pages at 80 columns without a warning.
#
#   check_package.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1
build=$2
version=$3

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

deb=$("$source_dir/package.sh" "$build" | tail -n 1)
echo "package: $deb ($(stat -c %s "$deb") bytes)"

echo "--- lintian"
lintian_status=0
lintian_output=$(lintian --fail-on error --display-info "$deb" 2>&1) || lintian_status=$?
grep -v 'running with root privileges' <<<"$lintian_output" || echo "(no tags)"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors (status $lintian_status)"

echo "--- control fields"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = beziercurve ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = math ] || fail "Section is '$(field Section)'"
# dpkg-shlibdeps names the C and C++ runtimes and freeglut the binaries link.
for library in libc6 libstdc++6 libglut; do
  grep -q "$library" <<<"$(field Depends)" || fail "Depends lacks $library: $(field Depends)"
done
changelog_version=$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -S Version)
[ "$changelog_version" = "$version" ] ||
  fail "packaging/changelog's latest entry is $changelog_version, the project is $version"

echo "--- contents"
expected_files="./usr/bin/bezier-hausdorff 755
./usr/bin/beziercurve 755
./usr/share/applications/beziercurve.desktop 644
./usr/share/doc/beziercurve/README.md 644
./usr/share/doc/beziercurve/changelog.gz 644
./usr/share/doc/beziercurve/copyright 644
./usr/share/doc/beziercurve/docs/benchmarks.md 644
./usr/share/doc/beziercurve/docs/certified-search.md 644
./usr/share/doc/beziercurve/docs/command-line.md 644
./usr/share/doc/beziercurve/docs/examples/heart-simplified.svg 644
./usr/share/doc/beziercurve/docs/examples/heart.svg 644
./usr/share/doc/beziercurve/docs/examples/svgo-largest-change.svg 644
./usr/share/doc/beziercurve/docs/packaging.md 644
./usr/share/doc/beziercurve/docs/robustness.md 644
./usr/share/doc/beziercurve/docs/screenshot.png 644
./usr/share/doc/beziercurve/docs/viewer.md 644
./usr/share/icons/hicolor/scalable/apps/beziercurve.svg 644
./usr/share/man/man1/bezier-hausdorff.1.gz 644
./usr/share/man/man1/beziercurve.1.gz 644"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
# "-rwxr-xr-x root/root SIZE DATE TIME PATH" -> "PATH 755"; directories must all be 755.
mode() { awk '{ m = 0; for (i = 2; i <= 10; i++) m = m * 2 + (substr($1, i, 1) != "-");
                printf "%s %o\n", $6, m }'; }
actual_files=$(grep -v '^d' <<<"$contents" | mode | sort)
[ "$actual_files" = "$expected_files" ] ||
  fail "the package's files and modes differ from the expected:
$(diff <(echo "$expected_files") <(echo "$actual_files") || true)"
odd_dirs=$(grep '^d' <<<"$contents" | mode | grep -v ' 755$' || true)
[ -z "$odd_dirs" ] || fail "directories not 755: $odd_dirs"
if grep -v ' root/root ' <<<"$contents" | grep -q .; then fail "files not owned by root"; fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

echo "--- the unpacked programs"
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
if file "$cli" "$root/usr/bin/beziercurve" | grep -v ', stripped$'; then fail "unstripped binaries"; fi

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
echo "the package passes every check"
