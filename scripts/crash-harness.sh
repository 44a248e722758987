#!/usr/bin/env bash
# Interrupts every writer of the operator's files TRIALS times per way (killed at a random moment;
# a write, fsync, rename or close failing with EIO or ENOSPC; the power failing, so that what was not
# synced is lost) and prints what was left on disk.
#   scripts/crash-harness.sh [TRIALS]   (default 1000)
#   BUILD_DIR=...   build folder (default: build)
#   SEED=...        replay a run by its seed (printed first)
# Exits non-zero when any file was damaged or a writer reported success for a write that failed.
set -euo pipefail
cd "$(dirname "$0")/.."

trials=${1:-1000}
build_dir=${BUILD_DIR:-build}
jobs=${JOBS:-2}

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target crash_harness -j "$jobs" >/dev/null

args=(--trials "$trials")
if [ -n "${SEED:-}" ]; then args+=(--seed "$SEED"); fi

# Columns: trials; damaged files (neither old nor new, a stray file, or a rule across files broken);
# ok-but-wrong (the writer said it succeeded, the new content is not in place); temporary files left
# beside their targets; where the trials left the files (all old, some of each, all new); seconds.
status=0
"$build_dir/tests/hardening/crash_harness" "${args[@]}" || status=$?
if [ "$status" -ne 0 ]; then
    echo "crash harness: failures (exit $status); replay one with --seed <seed> --trial <n> --verbose" >&2
fi
exit "$status"
