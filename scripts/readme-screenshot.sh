#!/usr/bin/env bash
# Remakes docs/screenshot.png, the README's picture of the default scene: the frame that
# run.sh saves when it has no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/docs"
cd "$root/docs"
env -u DISPLAY "$root/run.sh" >/dev/null
mv beziercurve.png screenshot.png
echo "Wrote $root/docs/screenshot.png"
