#!/usr/bin/env bash
# The main job: play the example sessions in hostsim. $1 is the build folder.
# The isometric drawing lands in BUILD/demo/pipe_route/ as drawing.svg and
# drawing.png, with the dynamics frame dynamics.svg beside them.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-$HERE/../build}
HOSTSIM="$BUILD/bin/hostsim"

echo "== An add-in on the library: examples/minimal.session"
mkdir -p "$BUILD/demo/minimal"
(cd "$BUILD/demo/minimal" && "$HOSTSIM" --workspace "$HERE/workspace.cfg" "$HERE/minimal.session")

echo "== The isometric pipe route: examples/pipe_route/pipe_route.session"
OUT="$BUILD/demo/pipe_route"
rm -rf "$OUT" && mkdir -p "$OUT"
(cd "$OUT" && "$HOSTSIM" --workspace "$HERE/workspace.cfg" "$HERE/pipe_route/pipe_route.session")
if command -v rsvg-convert >/dev/null; then
  rsvg-convert "$OUT/drawing.svg" -o "$OUT/drawing.png"
  rsvg-convert "$OUT/dynamics.svg" -o "$OUT/dynamics.png"
fi
echo "== Drawing: $OUT/drawing.svg (and .png); design file: $OUT/pipe_route.design"
