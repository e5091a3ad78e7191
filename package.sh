#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds the programs in Release in their own
# folder, runs CPack there and prints the path of the .deb as the last line of standard output
# (the build's own messages go to standard error).
#
#   ./package.sh [BUILD_DIR]   default: build-package/ beside this script
#
# Install it with `apt install ./beziercurve_VERSION_ARCH.deb` (the path printed).
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
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_BUILD_TESTS=OFF \
    -DBEZIER_BUILD_BENCH=OFF -DBEZIER_BUILD_VIEWER=ON -DBEZIER_BUILD_MAN=ON
  cmake --build "$build" -j2
} >&2

# CPack names the file it made on a line "CPack: - package: PATH generated.".
cpack_log=$(cd "$build" && cpack -G DEB) || {
  echo "$cpack_log" >&2
  echo "error: cpack failed" >&2
  exit 1
}
echo "$cpack_log" >&2
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' <<<"$cpack_log")
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "error: cpack did not say which package it made" >&2
  exit 1
fi
echo "$deb"
