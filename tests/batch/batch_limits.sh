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
dev-zero)
    # An endless source is read up to the input limit and refused, not until memory runs out.
    run --reference /dev/zero ;;
dev-null)
    run --reference /dev/null ;;
fifo | stdin-pipe)
    # Read once, whole, and recorded as read: the digest of the bytes that came through.
    if [ "$4" = fifo ]; then
        mkfifo "$work/fifo"
        cat "$ref" >"$work/fifo" &
        writer=$!
        timeout 20 "$batch" --reference "$work/fifo" --out "$work/out" 2>"$work/stderr" >/dev/null
        status=$?
        # A writer the run never read from would wait for a reader for ever.
        kill "$writer" 2>/dev/null
    else
        cat "$ref" | timeout 20 "$batch" --reference /dev/stdin --out "$work/out" \
            2>"$work/stderr" >/dev/null
        status=$?
    fi
    echo "status=$status"
    cat "$work/stderr"
    expected="$(wc -c <"$ref" | tr -d ' '),\"$(sha256sum "$ref" | cut -d' ' -f1)\""
    if tail -n 1 "$work/out/run-record.csv" | tr -d '\r' | grep -q ",$expected\$"; then
        echo "digest=ok"
    else
        echo "digest=wrong: $(tail -n 1 "$work/out/run-record.csv")"
    fi ;;
header-number)
    # 10.50 is a number, but not in the shortest form that ends the header.
    sed '2s/^\([^,]*\),[^,]*,/\1,10.50,/' "$ref" >"$work/r.csv"
    run --reference "$work/r.csv" ;;
fossil-columns)
    cut -d, -f1-20 "$fossil" >"$work/f.csv"
    run --reference "$ref" --fossil "$work/f.csv" --accept-name-mismatches ;;
model-pairs-folder | model-pairs-null)
    printf 'x,y\n1,1\n2,2.5\n3,2.5\n' >"$work/p.csv"
    model=/dev/null
    [ "$4" = model-pairs-folder ] && model=$work
    run --calibrate --pairs "$work/p.csv" --model-pairs "$model" --calibration-range 0,5 ;;
pair-long-cell)
    { printf 'x,y\n'; head -c 1048577 /dev/zero | tr '\0' '1'; printf ',1\n'; } >"$work/p.csv"
    run --calibrate --pairs "$work/p.csv" --calibration-range 0,5 ;;
repeated-out)
    run --reference "$ref" --out "$work/other" ;;
repeated-matrix)
    run --reference "$ref" --correlation --covariance ;;
link-output)
    # A symbolic link and a hard link at result names, both to a set-ID file of another user
    # (as root; of our own otherwise), and a set-ID regular file: no result inherits the
    # links' target or a set-ID bit, and the targets stay as they were.
    umask 022
    mkdir -p "$work/out"
    printf 'target\n' >"$work/target"
    printf 'old\n' >"$work/out/run-record.csv"
    if [ "$(id -u)" -eq 0 ]; then chown nobody "$work/target" "$work/out/run-record.csv"; fi
    chmod 6755 "$work/target"
    chmod 6750 "$work/out/run-record.csv"
    ln -s "$work/target" "$work/out/loading.csv"
    ln "$work/target" "$work/out/reference-scores.csv"
    run --reference "$ref"
    me=$(id -un)
    for f in loading.csv reference-scores.csv; do
        echo "$f: $(stat -c '%F %a' "$work/out/$f") $([ "$(stat -c %U "$work/out/$f")" = "$me" ] && echo mine)"
    done
    echo "run-record.csv: $(stat -c '%F %a' "$work/out/run-record.csv")"
    echo "target: $(stat -c '%a' "$work/target") $(cat "$work/target")" ;;
*)
    echo "unknown case $4"
    exit 2 ;;
esac
