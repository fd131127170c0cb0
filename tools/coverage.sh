#!/usr/bin/env bash
# Line and branch coverage of each module's non-test sources under the unit tests,
# and each module's test/code line ratio.
#   bash tools/coverage.sh [ctest arguments...]     e.g. -R 'Transport|Packet'
# Builds build-cov (gcc --coverage), runs the tests, prints one row per module.
# QEVO_COV_JOBS sets the parallelism (default: the number of cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${QEVO_COV_JOBS:-$(nproc)}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S . -B build-cov -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
    -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage -DQEVO_BENCH=OFF >/dev/null
cmake --build build-cov -j "$jobs" >build-cov/build.log || { tail -30 build-cov/build.log; exit 1; }
find build-cov -name '*.gcda' -delete
ctest --test-dir build-cov -j "$jobs" --timeout 600 "$@" >build-cov/ctest.log 2>&1 ||
    echo "some tests failed: see build-cov/ctest.log" >&2

gcovr -r . build-cov -j "$jobs" --exclude '.*/tests/.*' --exclude 'build-cov/.*' \
    --exclude 'bench/.*' --exclude 'fuzz/.*' --exclude-throw-branches --exclude-unreachable-branches --json-summary -o build-cov/summary.json

python3 - "$root" <<'EOF'
import json, os, subprocess, sys
root = sys.argv[1]
# Sub-modules are listed before the module that holds them; a file counts once.
modules = ["platform/gui", "platform/font", "platform/audio", "platform", "pictures", "transport",
           "rules/hand", "rules/table", "engine/resources", "engine", "script", "client", "mahjong",
           "tools/gameserver", "tools/hall", "tools"]
def module_of(path):
    for m in modules:
        if path.startswith(m + "/"):
            return m
    return None
cov = {}
for f in json.load(open(os.path.join(root, "build-cov/summary.json")))["files"]:
    m = module_of(f["filename"])
    if m:
        c = cov.setdefault(m, [0, 0, 0, 0])
        c[0] += f["line_covered"]; c[1] += f["line_total"]
        c[2] += f["branch_covered"]; c[3] += f["branch_total"]
files = subprocess.run(["git", "ls-files"], cwd=root, capture_output=True, text=True).stdout.split()
lines = {}
for path in files:
    if not path.endswith((".cpp", ".h")):
        continue
    m = module_of(path)
    if not m:
        continue
    is_test = "/tests/" in "/" + path
    with open(os.path.join(root, path), "rb") as fh:
        n = fh.read().count(b"\n")
    entry = lines.setdefault(m, [0, 0])
    entry[1 if is_test else 0] += n
print(f"{'module':18} {'code':>7} {'tests':>7} {'ratio':>6} {'lines %':>8} {'branches %':>10}")
for m in modules:
    if m not in lines and m not in cov:
        continue
    code, test = lines.get(m, [0, 0])
    lc, lt, bc, bt = cov.get(m, [0, 0, 0, 0])
    pct = lambda a, b: f"{100.0 * a / b:.1f}" if b else "-"
    ratio = f"{test / code:.2f}" if code else "-"
    print(f"{m:18} {code:7} {test:7} {ratio:>6} {pct(lc, lt):>8} {pct(bc, bt):>10}")
EOF
