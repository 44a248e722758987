#!/usr/bin/env bash
# Sets up the machine, builds the programs, writes the demo station into ./demo and starts
# Zarn_zed32 there on the demo's PRIORITY recording. With --sigroll it starts the standalone
# signal list editor SigRoll32 in the same folder instead.
set -euo pipefail
cd "$(dirname "$0")/.."

program=Zarn_zed32
case "${1:-}" in
    "") ;;
    --sigroll) program=SigRoll32 ;;
    *) echo "usage: bash scripts/run-demo.sh [--sigroll]" >&2; exit 2 ;;
esac

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target Zarn_zed32 SigRoll32 demo_station

# The demo station is written once; files a newer generator adds (LOOK.EVA, for instance) join an
# existing demo folder without touching what is there, so changes made while trying it stay.
if [ ! -f demo/Zarn_Aud.Ini ]; then
    build/tools/demo_station demo
else
    fresh=$(mktemp -d "${TMPDIR:-/tmp}/zarn-demo.XXXXXX")
    build/tools/demo_station "$fresh" >/dev/null
    cp -rn "$fresh"/. demo/
    rm -rf "$fresh"
fi

cd demo
if [ "$program" = SigRoll32 ]; then
    command=(../build/src/siglist_app/SigRoll32)
else
    command=(../build/src/app/Zarn_zed32 PRIA0612.EVA)
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-demo: no display; starting under Xvfb (set DISPLAY to see the window)" >&2
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "${command[@]}"
fi
exec "${command[@]}"
