#!/usr/bin/env bash
# Sets up the machine, builds the programs, writes the demo station into ./demo and starts
# Zarn_zed32 there on the demo's PRIORITY recording.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target Zarn_zed32 demo_station

if [ ! -f demo/Zarn_Aud.Ini ]; then
    build/tools/demo_station demo
fi

cd demo
event_file=PRIA0612.EVA
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-demo: no display; starting under Xvfb (set DISPLAY to see the window)" >&2
    exec xvfb-run -a -s "-screen 0 1600x1000x24" ../build/src/shell/Zarn_zed32 "$event_file"
fi
exec ../build/src/shell/Zarn_zed32 "$event_file"
