#!/bin/sh
# The transfer functions of the batch program against tools/tf_check.py, an independent
# computation from the field's definitions (plain refits, its own random numbers), on one of
# the published data sets:
#   sh batch_tf_check.sh BATCH SOURCE_DIR DATA_DIR WORK SET
# Exits 77 (skipped) without the data sets, or 1 under CI=true; 1 when any deterministic
# figure differs by more than 1e-8 relative or a p value beyond sampling error.
set -u
batch=$1 src=$2 data=${TARVEX_DATA:-$3} work=$4 set=$5
d="$data/$set"
if [ ! -f "$d/modern.csv" ]; then
    echo "The published data sets are not in $data."
    [ "${CI:-}" = true ] && exit 1
    exit 77
fi
out="$work/$set"
rm -rf "$out"
case "$set" in
    imbrie-kipp)
        run="--fossil $d/v12-122.csv --climate $d/sst.csv --cv loo --significance 99"
        check="--random 99" ;;
    swap-rlgh)
        run="--fossil $d/rlgh.csv --climate $d/ph.csv --cv loo --significance 19"
        check="--random 19" ;;
    north-american-pollen)
        # Every 200th of the 4,759 sites is refitted: the plain refits take seconds each.
        run="--climate $d/climate.csv --cv hblock --locations $d/location.csv"
        check="--every 200 --hblock 200" ;;
    *) echo "unknown set $set"; exit 2 ;;
esac
# shellcheck disable=SC2086
"$batch" --reference "$d/modern.csv" $run --transfer wa,wapls --wa-tolerance --out "$out" \
    > "$work/$set.out" 2>&1 || { cat "$work/$set.out"; echo "batch run failed"; exit 1; }
# shellcheck disable=SC2086
python3 "$src/tools/tf_check.py" "$data" "$out" "$set" $check
