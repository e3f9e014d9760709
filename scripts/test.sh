#!/usr/bin/env bash
# Builds and runs every test: the layering check, native (plain and under sanitizers), fuzz
# smoke runs, and the Windows build's core and end-to-end tests under Wine. Prints a summary
# line per stage.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

jobs=$(nproc)
passed=0
failed=0
summary=()

stage() {
    local name="$1"
    shift
    echo
    echo "=== $name"
    local start=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        summary+=("PASS  $name ($((SECONDS - start)) s)")
    else
        failed=$((failed + 1))
        summary+=("FAIL  $name ($((SECONDS - start)) s)")
    fi
}

# Includes point down the layers of docs/ARCHITECTURE.md and product files stay under 500
# lines; and the check still finds the fault in a tree made with an upward include.
layer_check() {
    python3 scripts/check-layers.py || return 1
    local tree ok=0
    tree=$(mktemp -d) || return 1
    mkdir -p "$tree/docs" "$tree/text"
    cp docs/ARCHITECTURE.md "$tree/docs/"
    echo '#include "io/File.h"' >"$tree/text/Up.h"
    if python3 scripts/check-layers.py --root "$tree" >/dev/null; then
        echo "the layer check passed a tree with an upward include"
        ok=1
    fi
    rm -rf "$tree"
    return $ok
}

native_tests() {
    local preset="$1"
    cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" -j "$jobs" &&
        ctest --test-dir "build/$preset" --output-on-failure
}

# The optimised native build installed into a new prefix, and what it installed, used.
install_tests() {
    cmake --preset native-release >/dev/null && cmake --build --preset native-release -j "$jobs" &&
        bash tests/vendu/install_test.sh build/native-release
}

fuzz_smoke() {
    cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$jobs" || return 1
    local ok=0 target
    for target in build/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        local name corpus
        name=$(basename "$target")
        corpus="build/fuzz/corpus-$name"
        mkdir -p "$corpus"
        echo "--- $name, ${VORNA_FUZZ_SECONDS:-30} s"
        if ! "$target" -max_total_time="${VORNA_FUZZ_SECONDS:-30}" -print_final_stats=1 \
            "$corpus" fuzz/corpus 2>"build/fuzz/$name.log"; then
            tail -n 40 "build/fuzz/$name.log"
            ok=1
        else
            grep -E 'stat::number_of_executed_units|Done' "build/fuzz/$name.log" | tail -n 2
        fi
    done
    return $ok
}

# The examples in the README, the user guide and vendu's README, against the real vendu
# on the shipped example notes.
documented_examples() {
    python3 scripts/doc-examples.py build/native/tools/vendu/vendu
}

windows_tests() {
    cmake --preset windows >/dev/null && cmake --build --preset windows -j "$jobs" || return 1
    source scripts/wine-env.sh
    vorna_ensure_display || return 1
    vorna_start_wine
    local rc=0
    rm -f build/windows/e2e-retries.txt
    ctest --test-dir build/windows --output-on-failure || rc=1
    vorna_stop_wine
    if [ -s build/windows/e2e-retries.txt ]; then
        echo "end-to-end cases run a second time:"
        sed 's/^/  /' build/windows/e2e-retries.txt
    else
        echo "end-to-end cases run a second time: none"
    fi
    return $rc
}

release_tests() {
    VORNA_SKIP_SETUP=1 bash scripts/release.sh && bash tests/release/run.sh
}

stage "include layers and file sizes" layer_check
stage "native tests" native_tests native
stage "native tests under ASan and UBSan" native_tests native-asan
stage "native release build, installed" install_tests
stage "fuzz smoke runs" fuzz_smoke
stage "documented examples" documented_examples
stage "Windows tests under Wine" windows_tests
stage "release packages under Wine" release_tests

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
