#!/bin/sh
# Runs of tarvex-batch started together into one --out folder: after each round the folder
# must hold the whole set of one run, each file as that run wrote it alone, and nothing else.
# Usage: batch_concurrent.sh BATCH SOURCE_DIR WORK ROUNDS [RUNS]
set -u
batch=$1
examples=$2/examples
work=$3
rounds=$4
runs=${5:-8}
rm -rf "$work"
mkdir -p "$work"
out=$work/out

# Run k reads inputs of its own name whose first fossil value differs, so that every file of
# its set (the zonation and EOF sequence included) can be told from those of the other runs.
k=1
while [ "$k" -le "$runs" ]; do
    cp "$examples/reference.csv" "$work/ref-$k.csv"
    sed "2s/^\([^,]*\),[^,]*,/\1,$k,/" "$examples/fossil.csv" >"$work/fos-$k.csv"
    k=$((k + 1))
done
run() {
    "$batch" --reference "$work/ref-$1.csv" --fossil "$work/fos-$1.csv" --zonation \
        --out "$out" >/dev/null 2>"$work/err-$1"
}
# Files without the lines that hold the time of the run.
strip() {
    grep -v -e '^"Date/Time: "' -e '^"Date and time (UTC)"' "$1"
}

# What each run writes alone, into the same folder name.
k=1
while [ "$k" -le "$runs" ]; do
    rm -rf "$out"
    run "$k" || { echo "run $k alone failed: $(cat "$work/err-$k")"; exit 1; }
    mkdir "$work/alone-$k"
    for f in "$out"/*; do strip "$f" >"$work/alone-$k/$(basename "$f")"; done
    k=$((k + 1))
done
names=$(ls "$work/alone-1")

mixed=0
failed=0
round=1
while [ "$round" -le "$rounds" ]; do
    rm -rf "$out"
    pids=""
    k=1
    while [ "$k" -le "$runs" ]; do
        run "$k" &
        pids="$pids $!"
        k=$((k + 1))
    done
    for p in $pids; do wait "$p" || failed=$((failed + 1)); done
    # The run whose record is in the folder must own every other file too.
    owner=$(grep -o 'ref-[0-9]*\.csv' "$out/run-record.csv" | head -n 1 | tr -dc 0-9)
    if [ "$(ls "$out")" != "$names" ]; then
        mixed=$((mixed + 1))
        echo "round $round: the folder holds $(ls "$out" | tr '\n' ' ')"
    else
        for f in $names; do
            if ! strip "$out/$f" | cmp -s - "$work/alone-$owner/$f"; then
                mixed=$((mixed + 1))
                echo "round $round: $f is not that of run $owner, whose record is in the folder"
                break
            fi
        done
    fi
    round=$((round + 1))
done
echo "rounds=$rounds runs=$runs mixed=$mixed failed=$failed"
test "$mixed" -eq 0 && test "$failed" -eq 0
