#!/usr/bin/env bash
# The main job: play the example session in hostsim. $1 is the build folder.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:-$HERE/../build}
mkdir -p "$BUILD/demo"
cd "$BUILD/demo"
exec "$BUILD/bin/hostsim" --workspace "$HERE/workspace.cfg" "$HERE/demo.session"
