#!/usr/bin/env bash
# Installs what is missing, builds the viewer and bezier-hausdorff, says where the latter is, and
# starts the viewer.
#
# On a machine with no display it runs the viewer under a virtual X display instead, for one
# frame: it saves a screenshot of the window as beziercurve.png in the current folder, prints
# that frame's trace, and exits 0.
set -euo pipefail
here=$(pwd)
root=$(cd "$(dirname "$0")" && pwd)
source "$root/scripts/packages.sh"
source "$root/scripts/display.sh"

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${VIEWER_PACKAGES[@]}"
# The benchmarks' peers are not needed to run the viewer; ./test.sh turns them back on.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBEZIER_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --target beziercurve bezier-hausdorff >/dev/null
viewer="$root/build/viewer/beziercurve"
echo "Command-line program: $root/build/cli/bezier-hausdorff (--help for its usage)"

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  exec "$viewer"
fi

echo "No display: running the viewer under a virtual X display (Xvfb) for one frame."
start_virtual_display
trace=$(mktemp)
"$viewer" >"$trace" &
viewer_pid=$!
finish() {
  kill "$viewer_pid" 2>/dev/null || true
  wait "$viewer_pid" 2>/dev/null || true
  rm -f "$trace"
  stop_virtual_display
}
trap finish EXIT

# Polls `condition` (a command) every 0.1 s for at most 30 s.
wait_until() {
  local tries
  for tries in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  echo "error: timed out waiting for: $*" >&2
  return 1
}

window=
find_window() {
  window=$(xdotool search --pid "$viewer_pid" --name '^BezierCurve$' 2>/dev/null | head -n 1)
  [ -n "$window" ]
}
wait_until find_window
# Without a window manager the window opens at (-1, -1), and the screenshot would lose its first
# row and column.
xdotool windowmove --sync "$window" 0 0

# Nothing happens between events, so once the trace stops growing the last frame is on screen.
last_size=-1
trace_settled() {
  local size
  size=$(stat -c %s "$trace")
  if [ "$size" -gt 0 ] && [ "$size" = "$last_size" ]; then return 0; fi
  last_size=$size
  sleep 0.4
  return 1
}
wait_until trace_settled

xwd -silent -id "$window" | convert xwd:- "$here/beziercurve.png"
# The trace of the frame in the screenshot: from its last "initial" line on.
awk '/^initial : / { frame = "" } { frame = frame $0 "\n" } END { printf "%s", frame }' "$trace"
echo "Screenshot: $here/beziercurve.png"
