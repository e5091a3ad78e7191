#!/usr/bin/env bash
# Makes the Debian packages: installs what is missing, builds in Release in their own folder
# (prefix /usr), runs CPack there and prints the path of every .deb, one a line, as the last lines
# of standard output (the build's own messages go to standard error):
#   beziercurve, libbeziercurve2, libbeziercurve-dev, and python3-beziercurve when the build has
#   the Python module.
#
#   ./package.sh [BUILD_DIR]   default: build-package/ beside this script
#
# Install them with `apt install ./beziercurve_VERSION_ARCH.deb ./libbeziercurve2_...` (the
# paths printed).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
source "$root/scripts/packages.sh"
build=$(realpath -m "${1:-$root/build-package}")
cd "$root"

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${VIEWER_BUILD_PACKAGES[@]}" \
  "${PACKAGE_PACKAGES[@]}"

# Debian's build flags (optimisation, stack protector, fortified functions, read-only
# relocations), as a package built by Debian's own tools would have them; paths in the debug
# records are made relative to the source folder, the current one. CMake reads these on the
# first configure of the folder; the project's own flags come after them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS

{
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBEZIER_BUILD_TESTS=OFF -DBEZIER_BUILD_BENCH=OFF -DBEZIER_BUILD_VIEWER=ON -DBEZIER_BUILD_MAN=ON
  cmake --build "$build" -j2
} >&2

# CPack names each file it made on a line "CPack: - package: PATH generated.".
cpack_log=$(cd "$build" && cpack -G DEB) || {
  echo "$cpack_log" >&2
  echo "error: cpack failed" >&2
  exit 1
}
echo "$cpack_log" >&2
debs=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' <<<"$cpack_log")
if [ -z "$debs" ]; then
  echo "error: cpack did not say which packages it made" >&2
  exit 1
fi
while IFS= read -r deb; do
  [ -f "$deb" ] || { echo "error: cpack names $deb, which is not there" >&2; exit 1; }
done <<<"$debs"
echo "$debs"
