#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each one for a while, one after another.
#   bash scripts/run-fuzz.sh [SECONDS]    seconds per target (default 20)
#   BUILD_DIR=...                          build folder (default: build-fuzz)
#   FUZZ_TARGETS="fuzz_aud fuzz_config"    run only these
# Each run starts from a fresh copy of the seeds in fuzz/corpus/<target>, so the committed corpora
# never grow. A crash, leak, timeout or out-of-memory fails the script and names the reproducer;
# replay it with: <build>/fuzz/<target> <reproducer>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: bash scripts/run-fuzz.sh [SECONDS]" >&2
    exit 2
fi

bash scripts/setup.sh

build_dir=${BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARN_FUZZ=ON \
    -DZARN_BENCH=OFF >/dev/null
# Two shared cores at most.
cmake --build "$build_dir" -j 2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

work=${FUZZ_WORK:-$build_dir/fuzz-runs}
rm -rf "$work"
mkdir -p "$work"

if [ -n "${FUZZ_TARGETS:-}" ]; then
    read -r -a targets <<<"$FUZZ_TARGETS"
else
    mapfile -t targets <"$build_dir/fuzz/targets.txt"
fi

failed=()
printf '%-20s %12s %8s %8s %8s\n' target executions corpus cov ft
for t in "${targets[@]}"; do
    [ -n "$t" ] || continue
    corpus="$work/$t/corpus"
    findings="$work/$t/findings"
    mkdir -p "$corpus" "$findings"
    [ -d "fuzz/corpus/$t" ] && cp -r "fuzz/corpus/$t/." "$corpus/"
    log="$work/$t/fuzz.log"
    status=0
    "$build_dir/fuzz/$t" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?

    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    status_line=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status_line")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status_line")
    units=$(find "$corpus" -type f | wc -l)
    printf '%-20s %12s %8s %8s %8s\n' "$t" "${execs:-?}" "$units" "${cov:-?}" "${ft:-?}"

    reproducer=$(find "$findings" -type f | head -n 1)
    if [ "$status" -ne 0 ] || [ -n "$reproducer" ]; then
        echo "run-fuzz: $t found a fault (exit $status); reproducer: ${reproducer:-none written}; log: $log" >&2
        failed+=("$t")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "run-fuzz: findings in: ${failed[*]}" >&2
    exit 1
fi
echo "run-fuzz: no findings in ${#targets[@]} targets, ${seconds}s each"
