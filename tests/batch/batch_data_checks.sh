#!/bin/sh
# Runs tarvex-batch on example data with one flaw put in, and prints its standard error
# followed by "status=N", for CTest to match the whole: the data checks of climate tables and
# pair files, text labels among number labels, and UTF-16 files of every kind.
# Usage: batch_data_checks.sh BATCH SOURCE_DIR WORK CASE
set -u
batch=$1
examples=$2/examples
work=$3/$4
rm -rf "$work"
mkdir -p "$work"
ref=$examples/reference.csv
fossil=$examples/fossil.csv
climate=$examples/climate.csv

run() {
    "$batch" "$@" --out "$work/out" 2>"$work/stderr" >/dev/null
    status=$?
    cat "$work/stderr"
    echo "status=$status"
    # A failed run leaves no folder of results behind.
    if [ "$status" -ne 0 ] && [ -e "$work/out/run-record.csv" ]; then echo "record written"; fi
}

# The climate table with text where five Twarm values were.
climate_text() {
    awk -F, -v OFS=, 'NR == 3 { $3 = "warm" } NR == 5 { $3 = "abc" } NR == 7 { $3 = "inf" }
        NR == 9 { $3 = "nan" } NR == 11 { $3 = "0x10" } { print }' "$climate" >"$work/c.csv"
}

# The example tables labelled by site numbers (S001 -> 1), one site (row 4, S003) by a name.
numbered() {
    sed -e 's/^S0*\([0-9]\)/\1/' -e '4s/^3,/Loch 3,/' "$1"
}

# A pair file whose line 3 holds text and whose lines 4 and 6 hold values beyond single
# precision.
pairs_flawed() {
    printf 'x,y\n9,9.9\n10,warm\n11,1e39\n12,12\n-5e38,10\n13,13.1\n' >"$work/p.csv"
}

utf16() {
    iconv -f UTF-8 -t "$1" "$2" >"$work/$3"
}

case $4 in
climate-text)
    climate_text
    run --reference "$ref" --climate "$work/c.csv" --error-model ;;
climate-text-strict)
    climate_text
    run --reference "$ref" --climate "$work/c.csv" --error-model --strict ;;
text-labels)
    numbered "$ref" >"$work/r.csv"
    numbered "$climate" >"$work/c.csv"
    run --reference "$work/r.csv" --climate "$work/c.csv" --error-model ;;
text-labels-strict)
    numbered "$ref" >"$work/r.csv"
    run --reference "$work/r.csv" --strict ;;
misaligned-labels)
    # Without the text label kept, "Loch 3" read as 0 and the site-name check named "0".
    numbered "$ref" >"$work/r.csv"
    numbered "$climate" | sed '4s/^Loch 3,/Loch 4,/' >"$work/c.csv"
    run --reference "$work/r.csv" --climate "$work/c.csv" --error-model ;;
pairs)
    pairs_flawed
    run --calibrate --pairs "$work/p.csv" --calibration-range 0,20 ;;
model-pairs-strict)
    pairs_flawed
    printf 'x,y\n1,2\n2,3\n3,3\n4,5\n' >"$work/ok.csv"
    run --calibrate --pairs "$work/ok.csv" --model-pairs "$work/p.csv" \
        --calibration-range 0,20 --strict ;;
utf16-reference)
    utf16 UTF-16 "$ref" r.csv
    run --reference "$work/r.csv" ;;
utf16-fossil)
    utf16 UTF-16LE "$fossil" f.csv
    run --reference "$ref" --fossil "$work/f.csv" ;;
utf16-fossil-alone)
    utf16 UTF-16BE "$fossil" f.csv
    run --fossil "$work/f.csv" --zonation ;;
utf16-climate)
    utf16 UTF-16 "$climate" c.csv
    run --reference "$ref" --climate "$work/c.csv" --error-model ;;
utf16-pairs)
    printf 'x,y\n1,2\n2,3\n' >"$work/p8.csv"
    utf16 UTF-16LE "$work/p8.csv" p.csv
    run --calibrate --pairs "$work/p.csv" --calibration-range 0,20 ;;
*)
    echo "unknown case $4"
    exit 2 ;;
esac
