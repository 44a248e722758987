#!/usr/bin/env bash
# Plays clips through the real WAV control into a private sound server with a null sink and checks
# what reached the sink (test_null_sink), once on PulseAudio and once on PipeWire with its
# PulseAudio layer, as the operators' desktops run one or the other. Nothing touches the user's own
# sound server: each server, its sockets and every client's runtime files live in a temporary
# folder (scripts/audio-servers.sh).
# Tests that fail run once more on a fresh server and fail only when they fail again.
#   AUDIO_SERVERS="pulseaudio pipewire"   the servers to run on, in this order (default: both)
#   AUDIO_TEST_TIMEOUT=900                seconds the test program may take on one server
#   BUILD_DIR=...   build folder (default: build), configured like scripts/run-tests.sh does
#   SANITIZE=1      configure a new build folder with the sanitizers, as scripts/run-tests.sh
# Arguments go to the test program on every server (e.g. --gtest_repeat=5).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ "${SANITIZE:-0}" = 1 ]; then flags+=(-DZARN_SANITIZE=ON -DZARN_BENCH=OFF); fi
    cmake -S . -B "$build_dir" -G Ninja "${flags[@]}" >/dev/null
fi
if grep -q "ZARN_SANITIZE:BOOL=ON" "$build_dir/CMakeCache.txt" 2>/dev/null; then
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
cmake --build "$build_dir" --target test_null_sink -j "$(nproc)"

# shellcheck source=scripts/audio-servers.sh
source scripts/audio-servers.sh

servers=${AUDIO_SERVERS:-pulseaudio pipewire}
for server in $servers; do
    case $server in
        pulseaudio | pipewire) ;;
        *)
            echo "run-audio-test: unknown server '$server' in AUDIO_SERVERS (pulseaudio, pipewire)" >&2
            exit 2
            ;;
    esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zarn-audio.XXXXXX")
test_pid=
cleanup() {
    if [ -n "$test_pid" ]; then
        kill "$test_pid" 2>/dev/null || true
        wait "$test_pid" 2>/dev/null || true
    fi
    audio_stop_servers
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs the test program against one private server of its own; its exit status, 77 when the
# server is not installed.
runs=0
run_on() {
    local server=$1 title dir vars missing status=0
    shift
    title=$(audio_server_title "$server")
    runs=$((runs + 1))
    dir=$work/$server-$runs
    echo "run-audio-test: ===== test_null_sink on $title ====="
    missing=$(audio_missing_programs "$server")
    if [ -n "$missing" ]; then
        echo "run-audio-test: skipping $title: ${missing}not installed (scripts/setup.sh installs it)"
        return 77
    fi
    if ! audio_start_server "$server" "$dir"; then return 1; fi
    mapfile -t vars < <(audio_client_env "$dir")
    echo "run-audio-test: the server answers as: $(env "${vars[@]}" pactl info | sed -n 's/^Server Name: //p')"
    # In the background, so that Ctrl-C ends the run at once rather than when the test is done.
    env -u PULSE_SINK -u PULSE_SOURCE "${vars[@]}" ZARN_REQUIRE_AUDIO=1 QT_QPA_PLATFORM=offscreen \
        timeout "${AUDIO_TEST_TIMEOUT:-900}" "$build_dir/tests/player/test_null_sink" "$@" >"$work/$server.out" &
    test_pid=$!
    wait "$test_pid" || status=$?
    test_pid=
    cat "$work/$server.out"
    if [ "$status" != 0 ]; then
        echo "run-audio-test: test_null_sink failed on $title ($status); server logs:" >&2
        audio_print_logs "$dir"
    fi
    audio_stop_servers
    return "$status"
}

# The tests that failed in a run's output, as a gtest filter; empty when none is named.
failed_tests() {
    sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_]*\.[A-Za-z0-9_]*\) (.*/\1/p' "$1" | sort -u | paste -sd: -
}

passed=() failed=() skipped=()
for server in $servers; do
    status=0
    run_on "$server" "$@" || status=$?
    # A test server without real-time scheduling, on a virtual machine, now and then drops one
    # period of its output (5 ms of silence in a clip), whoever plays. The tests that failed run
    # once more on a fresh server, and fail only when they fail again.
    again=
    if [ "$status" != 0 ] && [ "$status" != 77 ]; then again=$(failed_tests "$work/$server.out"); fi
    if [ -n "$again" ]; then
        echo "run-audio-test: running the failed tests once more on a fresh server: $again"
        status=0
        run_on "$server" "$@" --gtest_filter="$again" || status=$?
    fi
    case $status in
        0) passed+=("$server") ;;
        77) skipped+=("$server") ;;
        *) failed+=("$server") ;;
    esac
done
summary="passed on: ${passed[*]:-none}; failed on: ${failed[*]:-none}"
if [ ${#skipped[@]} -gt 0 ]; then summary+="; skipped (not installed): ${skipped[*]}"; fi
echo "run-audio-test: $summary"
if [ ${#failed[@]} -gt 0 ]; then exit 1; fi
