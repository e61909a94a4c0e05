#!/usr/bin/env bash
# Sets up a Debian machine for Tarvex, builds it, and then starts the program (run) or runs
# the whole test suite (test). Safe to repeat: packages already present are not reinstalled.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake ninja-build ccache qt6-base-dev qt6-svg-dev libgtest-dev libbenchmark-dev
          fonts-dejavu-core xvfb xauth imagemagick poppler-utils)
# The Debian package: icon rendering, desktop entry and manual page checks.
PACKAGES+=(librsvg2-bin desktop-file-utils groff-base)
# The independent check of the transfer functions (tools/tf_check.py) in the tests.
PACKAGES+=(python3)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_WERROR=ON
    cmake --build build -j2
}

case "${1:-}" in
    run)
        install_packages
        build
        if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
            exec build/src/tarvex
        fi
        echo "No display found: starting Tarvex in a virtual X server (xvfb-run)."
        exec xvfb-run -a -s "-screen 0 1600x900x24" build/src/tarvex
        ;;
    package)
        # A Release build in build-rel/, packed by CPack into build-rel/package/*.deb, then
        # the package test (unpacks and runs it) on that tree.
        install_packages
        cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVEX_WERROR=ON
        cmake --build build-rel -j2
        (cd build-rel && cpack -G DEB)
        (cd build-rel && ctest --output-on-failure -L package)
        ls -l build-rel/package/*.deb
        ;;
    test)
        install_packages
        build
        (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
        # The core once more under AddressSanitizer and UndefinedBehaviorSanitizer.
        cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVEX_CORE_ONLY=ON \
              -DTARVEX_SANITIZE=ON -DTARVEX_BENCH=OFF -DTARVEX_WERROR=ON
        cmake --build build-asan -j2
        (cd build-asan && ctest --output-on-failure -j2)
        ;;
    fuzz)
        # bash tools/dev.sh fuzz SECONDS [HARNESS...]: a clang build of the reader harnesses
        # (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz, then a
        # campaign of SECONDS per harness on a scratch copy of its seed corpus. Inputs that
        # crash are kept in build-fuzz/campaign/<harness>/crashes; the committed corpus is
        # never written to.
        seconds="${2:?usage: bash tools/dev.sh fuzz SECONDS [HARNESS...]}"
        shift 2
        clangxx="$(command -v clang++ || command -v clang++-14 || true)"
        if [ -z "$clangxx" ]; then
            echo "The fuzz build needs clang++ (apt-get install clang)." >&2
            exit 2
        fi
        cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_FUZZ=ON \
              -DCMAKE_CXX_COMPILER="$clangxx" -DTARVEX_WERROR=ON
        cmake --build build-fuzz -j2
        harnesses=("$@")
        [ ${#harnesses[@]} -eq 0 ] && harnesses=($(ls fuzz/corpus))
        failed=()
        for h in "${harnesses[@]}"; do
            # Tables stay below 16 KiB so a campaign spends its time on structure, not bulk;
            # a number text has no use for more than 512 bytes.
            maxlen=16384
            [ "$h" = number_text ] && maxlen=512
            work="build-fuzz/campaign/$h"
            rm -rf "$work/corpus"
            mkdir -p "$work/corpus" "$work/crashes"
            cp fuzz/corpus/"$h"/* "$work/corpus/"
            echo "== $h: $seconds s, max_len $maxlen"
            if ! nice build-fuzz/fuzz/fuzz_"$h" -max_total_time="$seconds" -max_len="$maxlen" \
                    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
                    -artifact_prefix="$work/crashes/" "$work/corpus" 2>&1 | tee "$work/log.txt"; then
                failed+=("$h")
            fi
        done
        if [ ${#failed[@]} -gt 0 ]; then
            echo "Findings in: ${failed[*]} (see build-fuzz/campaign/<harness>/crashes)" >&2
            exit 1
        fi
        ;;
    *)
        echo "usage: bash tools/dev.sh run|test|package|fuzz SECONDS [HARNESS...]" >&2
        exit 2
        ;;
esac
