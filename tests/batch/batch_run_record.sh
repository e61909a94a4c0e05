#!/bin/sh
# The run record of an example run, checked against what coreutils says about the inputs.
# Usage: batch_run_record.sh BATCH SOURCE_DIR OUT
set -eu
batch=$1
out=$3
rm -rf "$out"
cd "$2"
"$batch" --reference examples/reference.csv --fossil examples/fossil.csv --out "$out" >/dev/null
record=$(tr -d '\r' <"$out/run-record.csv")
expect() {
    printf '%s\n' "$record" | grep -qxF "$1" || { echo "missing record: $1"; exit 1; }
}
for input in reference fossil; do
    file=examples/$input.csv
    expect "\"--$input\",\"$file\",$(wc -c <"$file" | tr -d ' '),\"$(sha256sum "$file" | cut -d' ' -f1)\""
done
expect "\"Command line\",\"tarvex-batch\",\"--reference\",\"examples/reference.csv\",\"--fossil\",\"examples/fossil.csv\",\"--out\",\"$out\""
expect '"--analogues","0-8"'
expect '"--climate",""'
expect "\"Working folder\",\"$(pwd -P)\""
# Header, version, time, folder, command line, option header, 50 options, input header, 2 inputs.
test "$(printf '%s\n' "$record" | wc -l)" -eq 59 || { echo "record count"; exit 1; }
