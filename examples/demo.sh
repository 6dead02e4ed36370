#!/usr/bin/env bash
# The main job: play the example sessions in hostsim. $1 is the build folder.
# The isometric drawing lands in BUILD/demo/pipe_route/ as drawing.svg and
# drawing.png, with the dynamics frame dynamics.svg beside them; the pipe
# list's two pages on paper land in BUILD/demo/pipelist/.
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

echo "== The pipe list on paper: examples/pipelist/pipelist_print.session"
OUT="$BUILD/demo/pipelist"
rm -rf "$OUT" && mkdir -p "$OUT"
(cd "$OUT" && "$HOSTSIM" --workspace "$HERE/workspace.cfg" "$HERE/pipelist/pipelist_print.session")
C="$OUT/drive_c"
if command -v gs >/dev/null; then
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$OUT/sheets.pdf" "$C/sheets.ps"
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r60 -dFirstPage=1 -dLastPage=1 \
     -sOutputFile="$OUT/printed_sheet.png" "$C/sheets.ps"
fi
if [ -x "$BUILD/bin/check_printed" ]; then "$BUILD/bin/check_printed" "$OUT"; fi
command -v pdfinfo >/dev/null && for f in "$C"/sheets_000?.pdf; do echo "$(basename "$f"): $(pdfinfo "$f" | grep -E '^(Pages|Page size)' | tr -s ' ' | tr '\n' ' ')"; done
if command -v xlsx2csv >/dev/null && [ -f "$C/sheets.xlsx" ]; then xlsx2csv -a "$C/sheets.xlsx" "$OUT/sheets_csv"; fi
echo "== Printed: $C/sheets.ps (and $OUT/sheets.pdf, $OUT/printed_sheet.png), sheets.pcl, sheets.hpgl, sheets.txt;"
echo "   plotted: $C/sheets_0001.pdf, sheets_0002.pdf; preview: $OUT/preview.png;"
echo "   workbook: $C/sheets.xlsx (its sheets as CSV in $OUT/sheets_csv/)"
