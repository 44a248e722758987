#!/usr/bin/env bash
# Plays clips through the real WAV control into a private PulseAudio server with a null sink and
# checks what reached the sink (test_null_sink). Nothing touches the user's own sound server:
# the server, its socket and every client's runtime files live in a temporary folder.
#   BUILD_DIR=...   build folder (default: build), configured like scripts/run-tests.sh does
#   SANITIZE=1      configure a new build folder with the sanitizers, as scripts/run-tests.sh
# Arguments go to the test program (e.g. --gtest_repeat=5).
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

work=$(mktemp -d "${TMPDIR:-/tmp}/zarn-audio.XXXXXX")
server_pid=
cleanup() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill "$server_pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$server_pid" 2>/dev/null; then kill -9 "$server_pid" 2>/dev/null || true; fi
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -m 700 "$work/runtime" "$work/home"
socket=$work/native
# A 48 kHz stereo sink like a desktop's, so the clip goes through the server's resampler and
# channel mapping as it would for the operator.
cat >"$work/server.pa" <<EOF
load-module module-null-sink sink_name=zarn_null rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
set-default-sink zarn_null
EOF

# CI runs as root in a container without a session bus; --system=false with a private HOME and
# runtime folder keeps the server per-user and out of everyone's way.
HOME=$work/home XDG_RUNTIME_DIR=$work/runtime PULSE_RUNTIME_PATH=$work/runtime \
    PULSE_STATE_PATH=$work/home \
    pulseaudio --daemonize=no --system=false -n -F "$work/server.pa" --exit-idle-time=-1 \
    --disable-shm=yes --use-pid-file=no --realtime=no --high-priority=no \
    --log-target=stderr --log-level=error >"$work/server.log" 2>&1 &
server_pid=$!

export PULSE_SERVER=unix:$socket
export XDG_RUNTIME_DIR=$work/runtime
export PULSE_COOKIE=$work/home/cookie
up=0
for _ in $(seq 100); do
    if ! kill -0 "$server_pid" 2>/dev/null; then break; fi
    if [ -S "$socket" ] && timeout 2 pactl info >/dev/null 2>&1; then
        up=1
        break
    fi
    sleep 0.1
done
if [ "$up" != 1 ]; then
    echo "run-audio-test: the PulseAudio server did not come up" >&2
    cat "$work/server.log" >&2
    exit 1
fi

status=0
ZARN_REQUIRE_AUDIO=1 QT_QPA_PLATFORM=offscreen timeout 180 "$build_dir/tests/player/test_null_sink" "$@" || status=$?
if [ "$status" != 0 ]; then
    echo "run-audio-test: test_null_sink failed ($status); server log:" >&2
    cat "$work/server.log" >&2
fi
exit "$status"
