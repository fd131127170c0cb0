#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test:
#   1. the normal build (gcc) with unit tests and benchmarks built,
#      and the table soak: four auto-playing client processes play 200 rounds,
#   2. the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. each libFuzzer target (clang, ASan+UBSan): together they share QEVO_FUZZ_BUDGET
#      seconds of wall time over the cores (default 150), 5 to 30 seconds each, so the
#      run's length does not grow with the number of targets; QEVO_FUZZ_SECONDS fixes
#      the time of each instead.
# QEVO_TSAN=1 adds a ThreadSanitizer run of the unit tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh

jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure_and_build() {  # dir, then cmake options
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" -DQEVO_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}
run_tests() {  # dir
    ctest --test-dir "$1" -j "$jobs" --timeout 300 --output-on-failure
}

echo "== normal build"
# Optimised as the demo runs, without debug information: it costs a third of
# the test files' compile time and nothing here reads it.
configure_and_build build -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
run_tests build
echo "== table soak"
build/tools/soak/qevo-table-soak --rounds 200 | grep -v '^round '

echo "== sanitizer build (address, undefined)"
configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 \
    -DQEVO_SANITIZE=address,undefined -DQEVO_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan

if [ "${QEVO_TSAN:-0}" = 1 ]; then
    echo "== thread sanitizer build"
    configure_and_build build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
        -DQEVO_SANITIZE=thread -DQEVO_BENCH=OFF
    run_tests build-tsan
fi

echo "== fuzz targets"
# Line tables are enough for the sanitizers' stack traces.
configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DQEVO_FUZZ=ON -DQEVO_TESTS=OFF -DQEVO_BENCH=OFF
mapfile -t targets < <(find build-fuzz/fuzz -maxdepth 1 -type f -name 'fuzz_*' -executable | sort)
if [ -n "${QEVO_FUZZ_SECONDS:-}" ]; then
    seconds=$QEVO_FUZZ_SECONDS
else
    budget=${QEVO_FUZZ_BUDGET:-150}
    seconds=$(( budget * jobs / (${#targets[@]} > 0 ? ${#targets[@]} : 1) ))
    [ "$seconds" -gt 30 ] && seconds=30
    [ "$seconds" -lt 5 ] && seconds=5
fi
echo "fuzzing ${#targets[@]} targets for $seconds s each"
run_fuzz() {
    local exe=$1 name corpus
    name=$(basename "$exe"); name=${name#fuzz_}
    corpus=build-fuzz/corpus/$name; mkdir -p "$corpus"
    seeds=(); [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    if "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
        -artifact_prefix="build-fuzz/$name-" \
        "$corpus" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
        echo "fuzz $name: clean"; touch "build-fuzz/$name.passed"
    else
        echo "fuzz $name: FAILED"; tail -40 "build-fuzz/$name.log"
    fi
}
export -f run_fuzz; export seconds
rm -f build-fuzz/*.passed
{ printf '%s\n' "${targets[@]}" | grep . || true; } | xargs -r -P "$jobs" -I{} bash -c 'run_fuzz "$@"' _ {}
passed=$(find build-fuzz -maxdepth 1 -name '*.passed' | wc -l)
failed=$(( ${#targets[@]} - passed ))
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" = 0 ]
