#!/usr/bin/env bash
# Times the whole batch run of the error model on the North American modern pollen set against
# the straightforward program (plain/PlainLeaveOneOut.cpp), as a user feels them: wall time of
# the whole process, the best of N runs, and the processor time of that run.
#
#   bash bench/batch_run.sh BUILD_DIR [RUNS]
#
# BUILD_DIR holds src/tarvex-batch and bench/PlainLeaveOneOut (a Release build:
# cmake --build BUILD_DIR --target tarvex-batch PlainLeaveOneOut). The data come from
# TARVEX_BENCH_DATA, by default north-american-pollen in the data folder beside the repository
# (../shared/data, or the folder TARVEX_DATA names). Each line: what ran, best wall time, its
# user + system time, the median wall time, and the ratio of the straightforward program's
# best wall time to the line's (of the same cores). The batch program runs with the default wait policy (passive) and with
# OMP_WAIT_POLICY=active, on all cores and held to one (taskset -c 0); the variants take turns
# in every round; the load average is printed before and after.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?usage: bash bench/batch_run.sh BUILD_DIR [RUNS]}"
runs="${2:-7}"
data="${TARVEX_BENCH_DATA:-${TARVEX_DATA:-$here/../../shared/data}/north-american-pollen}"
batch="$build/src/tarvex-batch"
plain="$build/bench/PlainLeaveOneOut"
for f in "$batch" "$plain" "$data/modern.csv" "$data/climate.csv"; do
    [ -e "$f" ] || { echo "missing: $f" >&2; exit 2; }
done
out="$(mktemp -d "${TMPDIR:-/tmp}/tarvex-batch-run-XXXXXX")"
trap 'rm -rf "$out"' EXIT

batch_args=(--reference "$data/modern.csv" --climate "$data/climate.csv" --analogue-enhance sqrt
            --analogues 0-10 --threshold 2 --weighting none --error-model)

# One timed run of a command: prints "wall cpu" (seconds), cpu being user + system time of
# the command and its children.
time_one() {
    local stat=/proc/$BASHPID/stat t0 t1 u0 u1
    read -r u0 < <(awk '{print $14 + $15 + $16 + $17}' "$stat")
    t0=$(date +%s%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s%N)
    read -r u1 < <(awk '{print $14 + $15 + $16 + $17}' "$stat")
    awk -v a="$t0" -v b="$t1" -v c="$u0" -v d="$u1" -v hz="$(getconf CLK_TCK)" \
        'BEGIN{printf "%.3f %.2f\n", (b - a) / 1e9, (d - c) / hz}'
}

names=(plain batch batch-active plain-1core batch-1core batch-active-1core)
run_variant() {
    rm -rf "$out/run"
    case "$1" in
        plain) time_one "$plain" "$data/modern.csv" "$data/climate.csv" ;;
        batch) time_one env -u OMP_WAIT_POLICY "$batch" "${batch_args[@]}" --out "$out/run" ;;
        batch-active) time_one env OMP_WAIT_POLICY=active "$batch" "${batch_args[@]}" --out "$out/run" ;;
        plain-1core) time_one taskset -c 0 "$plain" "$data/modern.csv" "$data/climate.csv" ;;
        batch-1core)
            time_one env -u OMP_WAIT_POLICY taskset -c 0 "$batch" "${batch_args[@]}" --out "$out/run" ;;
        batch-active-1core)
            time_one env OMP_WAIT_POLICY=active taskset -c 0 "$batch" "${batch_args[@]}" \
                --out "$out/run" ;;
    esac
}

# The variants take turns, round after round, so a change of the machine's load falls on all
# of them alike.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A walls best cpu
for ((i = 0; i < runs; i++)); do
    for name in "${names[@]}"; do
        read -r wall c < <(run_variant "$name")
        walls[$name]+="$wall "
        if [ -z "${best[$name]:-}" ] || awk -v w="$wall" -v b="${best[$name]}" 'BEGIN{exit !(w < b)}'; then
            best[$name]=$wall
            cpu[$name]=$c
        fi
    done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
results=()
for name in "${names[@]}"; do
    median=$(printf '%s\n' ${walls[$name]} | sort -n | awk '{a[NR] = $1} END{print a[int((NR + 1) / 2)]}')
    results+=("$name ${best[$name]} ${cpu[$name]} $median")
done

plain_all=$(echo "${results[0]}" | cut -d' ' -f2)
plain_one=$(echo "${results[3]}" | cut -d' ' -f2)
printf '%-20s %10s %10s %10s %8s\n' "run (best of $runs)" "wall s" "cpu s" "median s" "ratio"
for line in "${results[@]}"; do
    read -r name best cpu median <<< "$line"
    ref=$plain_all
    [[ "$name" == *1core ]] && ref=$plain_one
    ratio=$(awk -v p="$ref" -v b="$best" 'BEGIN{printf "%.1f", p / b}')
    printf '%-20s %10s %10s %10s %8s\n' "$name" "$best" "$cpu" "$median" "$ratio"
done
