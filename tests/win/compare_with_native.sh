#!/usr/bin/env bash
# compare_with_native.sh NATIVE_TOOL WINDOWS_TOOL SAMPLE_PNG WATERMARK_BMP WORK_DIR RUNNER...:
# renders a table of scenarios with the native zendor-render and with zendor-render.exe (which
# loads ZendorPrtUNI.dll and keeps the printer in the system's spooler) run through RUNNER
# (Wine), and fails unless both give the same exit status and the same spool bytes for each.
set -uo pipefail
native=$1
windows=$2
sample=$3
watermark=$4
work=$5
shift 5
runner=("$@")
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

# Pictures, as PGM/PPM bytes written by awk (LC_ALL=C: one byte per %c).
picture() { # file kind width height formula-of-x-y[-c]
  LC_ALL=C awk -v kind="$2" -v w="$3" -v h="$4" "BEGIN {
    printf \"%s %d %d 255\n\", kind, w, h
    for (y = 0; y < h; y++) for (x = 0; x < w; x++)
      for (c = 0; c < (kind == \"P6\" ? 3 : 1); c++) printf \"%c\", ($5) % 256
  }" >"$1"
}
picture gray.pgm P5 400 240 'x * 7 + y * 13 + x * y'
picture whitetop.pgm P5 203 130 'y < 64 ? 255 : x * y + 3 * x'
picture colour.ppm P6 150 97 'c == 0 ? x * 2 : c == 1 ? y * 3 : x + y'
picture odd.pgm P5 37 5 'x * 40 + y * 90'
cp "$sample" sample.png
cp "$watermark" mark.bmp

# Records: little-endian 32-bit fields.
fields() { for v in "$@"; do printf "%08x" $((v & 0xFFFFFFFF)) | sed 's/\(..\)\(..\)\(..\)\(..\)/\\x\4\\x\3\\x\2\\x\1/'; done; }
record() { # file fields...
  printf "$(fields "${@:2}")" >"$1"
}
# ZDDATA: reserved, debug, speed, density, offsets x y, direction, dotted, pause, waste mark,
# paper type, gap, gap offset, feed, post action, when, head type.
record full.bin 0 0 4 8 0 0 0 1 0 0 1 3 0 0 0 0 0
record short40.bin 0 0 6 12 1 2 1 0 1 1
record long200.bin 0 0 3 5 0 0 0 1 0 0 2 2 1 0 0 0 0 $(seq 1 33)
record halftone.bin 0 140 10 -20
: >empty.bin

scenarios=(
  "sample-label|sample.png|--set iPaperType=1 --set iGapHeight=3 --set iSpeed=4 --set iDensity=8"
  "sample-label-to-stdout|sample.png|--set iSpeed=2"
  "no-records|gray.pgm|"
  "pages-and-documents|gray.pgm|--pages 3 --documents 2"
  "bands-of-1-row|gray.pgm|--band-height 1"
  "bands-of-7-rows-1-bit|gray.pgm|--band-height 7 --bits 1"
  "band-taller-than-page|gray.pgm|--band-height 1000"
  "gray-as-24-bit|gray.pgm|--bits 24 --band-height 50"
  "colour-24-bit|colour.ppm|"
  "colour-8-bit|colour.ppm|--bits 8 --band-height 13"
  "colour-1-bit|colour.ppm|--bits 1 --band-height 32"
  "blank-bands|whitetop.pgm|--blank-bands --band-height 16"
  "landscape|gray.pgm|--landscape --set iGrayMethod=0"
  "dpi-300|gray.pgm|--dpi 300 --zddata full.bin"
  "dpi-600-odd-width|odd.pgm|--dpi 600 --band-height 2"
  "full-records|gray.pgm|--zddata full.bin --zddata1 halftone.bin"
  "short-record|gray.pgm|--zddata short40.bin"
  "empty-record|gray.pgm|--zddata empty.bin --zddata1 empty.bin"
  "long-record|gray.pgm|--zddata long200.bin"
  "tone-and-threshold|gray.pgm|--set iGrayMethod=0 --set iThreValue=100 --set iLiangdu=20 --set iDuibidu=-30"
  "dithering|colour.ppm|--set iGrayMethod=1 --set iLiangdu=-15 --set iDuibidu=25"
  "watermark-tiled|gray.pgm|--set bEnable=1 --set szPath=$PWD/mark.bmp --set bTile=1 --set iAlpha=128"
  "watermark-placed|sample.png|--set bEnable=1 --set szPath=$PWD/mark.bmp --set iAlign=4 --set iMarginX=9"
  "escpos|gray.pgm|--language escpos --pages 2"
  "escpos-colour|colour.ppm|--language escpos --zddata full.bin"
  "cpcl|gray.pgm|--language cpcl --documents 2"
  "cpcl-landscape|whitetop.pgm|--language cpcl --landscape --blank-bands --band-height 8"
  "paperang|gray.pgm|--language paperang --pages 2"
  "paperang-odd-width|odd.pgm|--language paperang --dpi 300"
  "model-300-dpi-tspl|sample.png|--model 'Zendor LT-430T'"
  "model-with-a-field-set|sample.png|--model 'Zendor LT-430T' --set iSpeed=3"
  "model-escpos|sample.png|--model 'Zendor RP-58'"
  "model-cpcl-paper-in-inches|sample.png|--model 'Zendor MC-430'"
  "model-paperang|colour.ppm|--model 'Zendor MP-310'"
  "unknown-language|gray.pgm|--print-language TSPL"
  "other-language|gray.pgm|--print-language cpcl-like --pages 2"
)

for method in 2 3 4 5 6 7 8 9 10; do
  scenarios+=("dithering-method-$method|colour.ppm|--set iGrayMethod=$method --band-height 20")
done

failed=0
for scenario in "${scenarios[@]}"; do
  IFS='|' read -r name input argtext <<<"$scenario"
  eval "args=($argtext)" # the table's own quoting, as a shell reads it
  # Jobs named *-to-stdout write to standard output instead of -o.
  native_out=(-o "$name.native") windows_out=(-o "$name.windows")
  [[ $name == *-to-stdout ]] && native_out=() windows_out=()
  "$native" "$input" "${native_out[@]}" "${args[@]}" 2>"$name.native.err" >"$name.native.stdout"
  native_status=$?
  "${runner[@]}" "$windows" "$input" "${windows_out[@]}" "${args[@]}" 2>"$name.windows.err" \
    >"$name.windows.stdout"
  windows_status=$?
  if [[ $name == *-to-stdout ]]; then
    mv "$name.native.stdout" "$name.native"
    mv "$name.windows.stdout" "$name.windows"
  fi
  if [ "$native_status" != 0 ] || [ "$windows_status" != 0 ]; then
    echo "FAILED  $name: exit status native $native_status, Windows $windows_status"
    cat "$name.native.err" "$name.windows.err"
    failed=1
  elif ! cmp -s "$name.native" "$name.windows"; then
    echo "DIFFER  $name: native $(stat -c %s "$name.native") bytes," \
      "Windows $(stat -c %s "$name.windows") bytes; first differences (offset, octal bytes):"
    cmp -l "$name.native" "$name.windows" | head -n 8
    failed=1
  else
    echo "same    $name ($(stat -c %s "$name.native") bytes)"
  fi
done
((failed)) || echo "all ${#scenarios[@]} scenarios give the same spool bytes"
exit $failed
