#!/bin/sh
# Runs tarvex-batch on one small generated input and prints its standard error followed by
# "status=N", for CTest to match the whole. Usage: batch_limits.sh BATCH SOURCE_DIR WORK CASE
set -u
batch=$1
examples=$2/examples
work=$3/$4
rm -rf "$work"
mkdir -p "$work"
ref=$examples/reference.csv
fossil=$examples/fossil.csv
climate=$examples/climate.csv

# A table of the given data rows and value columns with text row labels, all values 1.
table() {
    awk -v rows="$1" -v cols="$2" 'BEGIN {
        printf ""; for (j = 1; j <= cols; j++) printf ",t%d", j; printf "\n";
        for (i = 1; i <= rows; i++) {
            printf "s%d", i; for (j = 1; j <= cols; j++) printf ",1"; printf "\n" } }'
}

run() {
    "$batch" "$@" --out "$work/out" 2>"$work/stderr" >/dev/null
    status=$?
    cat "$work/stderr"
    echo "status=$status"
    # A failed run leaves no folder of results behind.
    if [ "$status" -ne 0 ] && [ -e "$work/out/run-record.csv" ]; then echo "record written"; fi
}

case $4 in
missing)
    run --reference "$work/none.csv" ;;
folder)
    run --reference "$work" ;;
unreadable)
    printf ',a\nx,1\n' >"$work/locked.csv"
    chmod 000 "$work/locked.csv"
    # Whoever may read anything (root) cannot see this refusal.
    [ -r "$work/locked.csv" ] && exit 77
    run --reference "$work/locked.csv" ;;
unreadable-contents)
    # Opens, but every read fails (Linux): the reading itself is refused, not the opening.
    run --reference /proc/self/mem ;;
rows)
    table 10000 3 >"$work/t.csv"
    run --reference "$work/t.csv" ;;
rows-at-limit)
    table 9999 3 >"$work/t.csv"
    run --reference "$work/t.csv" ;;
columns)
    table 2 500 >"$work/t.csv"
    run --reference "$work/t.csv" ;;
columns-at-limit)
    table 2 499 >"$work/t.csv"
    run --reference "$work/t.csv" ;;
not-a-number)
    printf ',a,b,c\nA,1,x,3\nB,1,2,3\n' >"$work/t.csv"
    run --reference "$work/t.csv" ;;
out-of-range)
    printf ',a,b\nA,1,2\nB,1,1e999\n' >"$work/t.csv"
    run --reference "$work/t.csv" ;;
blank)
    sed '3s/^\([^,]*\),[^,]*,/\1,,/' "$fossil" >"$work/f.csv"
    run --reference "$ref" --fossil "$work/f.csv" ;;
long-cell)
    { printf '"'; head -c 1048577 /dev/zero | tr '\0' 'x'; printf '",a\nx,1\n'; } >"$work/t.csv"
    run --reference "$work/t.csv" ;;
huge-fossil)
    sed '2s/^\([^,]*\),[^,]*,/\1,1.6E+308,/' "$fossil" >"$work/f.csv"
    run --reference "$ref" --fossil "$work/f.csv" ;;
huge-reference)
    sed '4s/,[^,]*$/,-2E+15/' "$ref" >"$work/r.csv"
    run --reference "$work/r.csv" ;;
huge-climate)
    sed '3s/,[^,]*$/,1E+300/' "$climate" >"$work/c.csv"
    run --reference "$ref" --climate "$work/c.csv" --error-model ;;
climate-rows)
    sed '$d' "$climate" >"$work/c.csv"
    run --reference "$ref" --climate "$work/c.csv" --error-model ;;
*)
    echo "unknown case $4"
    exit 2 ;;
esac
