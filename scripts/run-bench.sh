#!/usr/bin/env bash
# Builds the benchmarks in a build folder of their own, runs every benchmark program and prints one
# table: each figure, what was measured, its target and whether it is within it.
#   bash scripts/run-bench.sh
#   BUILD_TYPE=RelWithDebInfo   CMake build type (default: Release)
#   CXX=clang++                 compiler (CMake reads it when the build folder is first configured)
#   BUILD_DIR=...               build folder (default: build-bench, with the build type and compiler
#                               named when they are not the default ones, e.g. build-bench-relwithdebinfo)
#   JOBS=N                      parallel compile jobs (default 2)
#   REPETITIONS=N               repetitions of benchmarks that do not set their own (default 5)
#   BENCH_PROGRAMS="bench_open bench_summary"   run only these
# Each program's console output and its results as JSON are kept in <build>/bench-results/.
# Exit status: 0 when every figure with a target was measured and is within it, 1 when one is over
# or could not be measured (a program failed, a benchmark reported an error), 2 for a bad setting.
set -euo pipefail
cd "$(dirname "$0")/.."

build_type=${BUILD_TYPE:-Release}
jobs=${JOBS:-2}
repetitions=${REPETITIONS:-5}
for n in "$jobs" "$repetitions"; do
    if ! [[ $n =~ ^[1-9][0-9]*$ ]]; then
        echo "run-bench: JOBS and REPETITIONS must be positive numbers" >&2
        exit 2
    fi
done

all_programs=(bench_dates bench_segscan bench_siglist bench_summary bench_picture bench_waveform bench_spectrogram bench_open)
if [ -n "${BENCH_PROGRAMS:-}" ]; then
    read -r -a programs <<<"$BENCH_PROGRAMS"
    for p in "${programs[@]}"; do
        if ! [[ " ${all_programs[*]} " == *" $p "* ]]; then
            echo "run-bench: no benchmark program $p (there are: ${all_programs[*]})" >&2
            exit 2
        fi
    done
else
    programs=("${all_programs[@]}")
fi

if [ -n "${BUILD_DIR:-}" ]; then
    build_dir=$BUILD_DIR
else
    build_dir=build-bench
    [ "$build_type" = Release ] || build_dir+="-${build_type,,}"
    [ -z "${CXX:-}" ] || build_dir+="-$(basename "$CXX")"
fi

bash scripts/setup.sh

echo "run-bench: building $build_type benchmarks in $build_dir" >&2
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DZARN_BENCH=ON >/dev/null
# Only the benchmarks and the generator of their inputs; nice keeps the machine usable meanwhile.
nice cmake --build "$build_dir" -j "$jobs" --target "${programs[@]}" demo_station >&2

# The large inputs are written once and again only when the generator changed.
inputs="$build_dir/bench-inputs"
if [ ! -f "$inputs/.written" ] || [ "$build_dir/tools/demo_station" -nt "$inputs/.written" ]; then
    echo "run-bench: writing the large inputs into $inputs" >&2
    rm -rf "$inputs"
    "$build_dir/tools/demo_station" --large "$inputs" >/dev/null
    touch "$inputs/.written"
fi
inputs=$(cd "$inputs" && pwd)

results="$build_dir/bench-results"
rm -rf "$results"
mkdir -p "$results"
figures="$(cd "$results" && pwd)/figures.tsv"
: >"$figures"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for p in "${programs[@]}"; do
    echo "run-bench: running $p" >&2
    # The repetitions of a program's benchmarks run interleaved in random order, so a slow spell of
    # the machine falls on a figure and on its baseline alike rather than on one of them.
    args=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
          --benchmark_enable_random_interleaving=true
          --benchmark_out="$results/$p.json" --benchmark_out_format=json --figures="$figures")
    case $p in
        bench_summary | bench_waveform | bench_spectrogram | bench_open) args+=(--inputs="$inputs") ;;
    esac
    status=0
    "$build_dir/bench/$p" "${args[@]}" >"$results/$p.txt" 2>"$results/$p.err" || status=$?
    if [ "$status" -ne 0 ]; then
        printf '%s\t-\t-\terror: the program failed (exit %s, see %s)\n' "$p" "$status" "$results/$p.err" >>"$figures"
    fi
done

# The table: the figure, what was measured, the target and the result.
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
echo
echo "Benchmarks: $build_type, $("$compiler" --version | head -n 1), $(date '+%Y-%m-%d %H:%M')"
awk -F'\t' '
    { figure[NR] = $1; measured[NR] = $2; target[NR] = $3; result[NR] = $4
      if (length($1) > w1) w1 = length($1)
      if (length($2) > w2) w2 = length($2)
      if (length($3) > w3) w3 = length($3) }
    END {
        if (w1 < 6) w1 = 6
        if (w2 < 8) w2 = 8
        if (w3 < 6) w3 = 6
        format = "%-" w1 "s  %" w2 "s  %-" w3 "s  %s\n"
        printf format, "figure", "measured", "target", "result"
        rule = ""
        for (i = 0; i < w1 + w2 + w3 + 14; ++i) rule = rule "-"
        print rule
        for (i = 1; i <= NR; ++i) printf format, figure[i], measured[i], target[i], result[i]
    }' "$figures"

over=$(awk -F'\t' '$4 == "over" || $4 ~ /^error/' "$figures" | wc -l)
if [ "$over" -ne 0 ]; then
    echo "run-bench: $over figure(s) over their target or not measured" >&2
    exit 1
fi
echo "run-bench: every figure with a target is within it" >&2
