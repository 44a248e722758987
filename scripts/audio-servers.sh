# shellcheck shell=bash
# Private sound servers for the real-audio tests, to be sourced by a bash script.
#
# Each server lives wholly in a folder the caller gives it (a fresh one per server): its sockets,
# runtime folder, HOME, configuration, state and logs. Nothing here uses the default runtime
# folder, the default socket, the user's session bus or the sound hardware, so a user's own sound
# server never notices. Both servers offer a 48 kHz stereo null sink named zarn_null as the
# default sink, like a desktop's output, through the PulseAudio protocol on the socket
# "$dir/native".
#
#   audio_start_server NAME DIR   NAME is pulseaudio or pipewire; starts it and waits until a
#                                 client sees the null sink as the default sink. On failure it
#                                 prints the server logs, stops what it started and returns 1.
#   audio_client_env DIR          the environment a client of the server in DIR needs, one
#                                 NAME=VALUE a line, for env(1)
#   audio_stop_servers            stops every server process started here, latest first
#   audio_print_logs DIR          prints the server logs in DIR to stderr
#   audio_missing_programs NAME   the programs server NAME needs that are not installed
#   audio_server_title NAME       the server's name for people
#
# The caller traps EXIT (and INT/TERM) to call audio_stop_servers, so that a failure or Ctrl-C
# leaves no server behind.

audio_sink=zarn_null
audio_me=${0##*/}
audio_me=${audio_me%.sh}
audio_pids=()     # server processes, in start order
audio_ready_s=15  # how long a server may take to come up

audio_server_title() {
    case $1 in
        pulseaudio) echo "PulseAudio" ;;
        pipewire) echo "PipeWire (with WirePlumber and pipewire-pulse)" ;;
        *) echo "$1" ;;
    esac
}

# The programs a server needs, or nothing when all are installed.
audio_missing_programs() {
    local programs=(pactl)
    case $1 in
        pulseaudio) programs+=(pulseaudio) ;;
        pipewire) programs+=(pipewire wireplumber pipewire-pulse) ;;
    esac
    local p
    for p in "${programs[@]}"; do
        command -v "$p" >/dev/null 2>&1 || printf '%s ' "$p"
    done
}

audio_client_env() {
    local dir=$1
    printf '%s\n' "PULSE_SERVER=unix:$dir/native" "XDG_RUNTIME_DIR=$dir/runtime" \
        "PULSE_COOKIE=$dir/home/cookie" "PIPEWIRE_RUNTIME_DIR=$dir/runtime"
}

# The environment every server process runs in: everything per-user points into DIR, the session
# bus address leads nowhere (so nothing can reach the user's bus, nor start one), and there is no
# display to ring a bell on.
audio_server_env() {
    local dir=$1
    printf '%s\n' "HOME=$dir/home" "XDG_RUNTIME_DIR=$dir/runtime" "PIPEWIRE_RUNTIME_DIR=$dir/runtime" \
        "PULSE_RUNTIME_PATH=$dir/runtime" "PULSE_STATE_PATH=$dir/home" \
        "XDG_CONFIG_HOME=$dir/home/config" "XDG_STATE_HOME=$dir/home/state" \
        "XDG_DATA_HOME=$dir/home/data" "XDG_CACHE_HOME=$dir/home/cache" \
        "PIPEWIRE_CONFIG_DIR=$dir/config/pipewire" "WIREPLUMBER_CONFIG_DIR=$dir/config/wireplumber" \
        "DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus"
}

# A desktop's sound server runs ahead of ordinary programs (RTKit gives it real-time priority),
# which the private servers cannot ask for; where we may, they run at PulseAudio's own high
# priority instead, so that a busy machine starves them no sooner than it would a desktop's.
audio_nice=()
if [ "$(id -u)" = 0 ]; then audio_nice=(nice -n -11); fi

# Starts one server process in the background, its output going to "$dir/NAME.log".
audio_spawn() {
    local dir=$1 log=$2
    shift 2
    local vars
    mapfile -t vars < <(audio_server_env "$dir")
    "${audio_nice[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u PIPEWIRE_REMOTE -u PULSE_SERVER "${vars[@]}" "$@" \
        >"$dir/$log.log" 2>&1 &
    audio_pids+=($!)
}

audio_print_logs() {
    local dir=$1 log
    for log in "$dir"/*.log; do
        [ -f "$log" ] || continue
        echo "----- $(basename "$log")" >&2
        cat "$log" >&2
    done
    echo "-----" >&2
}

audio_stop_servers() {
    local i pid
    for ((i = ${#audio_pids[@]} - 1; i >= 0; i--)); do
        pid=${audio_pids[i]}
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
        wait "$pid" 2>/dev/null || true
    done
    audio_pids=()
    return 0
}

audio_all_running() {
    local pid
    for pid in "${audio_pids[@]}"; do
        kill -0 "$pid" 2>/dev/null || return 1
    done
}

# Waits until PATH exists as a socket, within the deadline (in $SECONDS) and while every server
# process runs.
audio_wait_socket() {
    local path=$1 deadline=$2
    while [ "$SECONDS" -lt "$deadline" ] && audio_all_running; do
        [ -S "$path" ] && return 0
        sleep 0.1
    done
    return 1
}

# Waits until a PulseAudio client in DIR gets an answer and sees the null sink as the default.
audio_wait_ready() {
    local dir=$1 deadline=$2 default vars
    mapfile -t vars < <(audio_client_env "$dir")
    if ! audio_wait_socket "$dir/native" "$deadline"; then return 1; fi
    while [ "$SECONDS" -lt "$deadline" ] && audio_all_running; do
        default=$(env "${vars[@]}" timeout 2 pactl get-default-sink 2>/dev/null) || default=
        [ "$default" = "$audio_sink" ] && return 0
        sleep 0.1
    done
    return 1
}

audio_start_pulseaudio() {
    local dir=$1
    # A 48 kHz stereo sink like a desktop's, so the clip goes through the server's resampler and
    # channel mapping as it would for the operator.
    cat >"$dir/server.pa" <<EOF
load-module module-null-sink sink_name=$audio_sink rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
set-default-sink $audio_sink
EOF
    # CI runs as root in a container without a session bus; --system=false with a private HOME
    # and runtime folder keeps the server per-user and out of everyone's way.
    audio_spawn "$dir" pulseaudio \
        pulseaudio --daemonize=no --system=false -n -F "$dir/server.pa" --exit-idle-time=-1 \
        --disable-shm=yes --use-pid-file=no --realtime=no --high-priority=no \
        --log-target=stderr --log-level=error
    audio_wait_ready "$dir" $((SECONDS + audio_ready_s))
}

# PipeWire as a desktop runs it: the pipewire daemon, WirePlumber as its session manager and
# pipewire-pulse serving the PulseAudio protocol, each a process of its own. The configuration is
# complete in itself (PIPEWIRE_CONFIG_DIR and WIREPLUMBER_CONFIG_DIR replace the system's), so
# nothing under /etc changes what the tests see. It loads no D-Bus, realtime, portal, X11 or
# hardware support: WirePlumber watches no sound cards, cameras or Bluetooth, and cannot even load
# the ALSA plugin.
audio_write_pipewire_config() {
    local dir=$1
    mkdir -p "$dir/config/pipewire" "$dir/config/wireplumber/main.lua.d" \
        "$dir/config/wireplumber/policy.lua.d"
    cat >"$dir/config/pipewire/pipewire.conf" <<EOF
context.properties = {
    core.daemon = true
    core.name = pipewire-0
    support.dbus = false
    link.max-buffers = 16
    default.clock.rate = 48000
    default.clock.allowed-rates = [ 48000 ]
    default.clock.min-quantum = 16
    log.level = 2
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-profiler }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-device-factory }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
    { name = libpipewire-module-session-manager }
]
context.objects = [
    { factory = spa-node-factory
        args = {
            factory.name = support.node.driver
            node.name = Dummy-Driver
            node.group = pipewire.dummy
            priority.driver = 20000
        }
    }
    { factory = spa-node-factory
        args = {
            factory.name = support.node.driver
            node.name = Freewheel-Driver
            priority.driver = 19000
            node.group = pipewire.freewheel
            node.freewheel = true
        }
    }
    # The only sink, so WirePlumber makes it the default.
    { factory = adapter
        args = {
            factory.name = support.null-audio-sink
            node.name = $audio_sink
            node.description = "Null output"
            media.class = Audio/Sink
            audio.rate = 48000
            audio.channels = 2
            audio.position = [ FL FR ]
            monitor.channel-volumes = true
            object.linger = true
        }
    }
]
EOF
    cat >"$dir/config/pipewire/pipewire-pulse.conf" <<EOF
context.properties = {
    support.dbus = false
    log.level = 2
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse }
]
pulse.properties = {
    server.address = [ "unix:$dir/native" ]
}
EOF
    cat >"$dir/config/wireplumber/wireplumber.conf" <<'EOF'
context.properties = {
    support.dbus = false
    log.level = 2
    wireplumber.script-engine = lua-scripting
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-session-manager }
]
wireplumber.components = [
    { name = libwireplumber-module-lua-scripting, type = module }
    { name = main.lua, type = config/lua }
    { name = policy.lua, type = config/lua }
]
EOF
    # WirePlumber's own policy as installed (default nodes, stream linking, suspending idle
    # nodes), less the device monitors and the portal.
    local shared=/usr/share/wireplumber
    cp "$shared"/main.lua.d/*.lua "$dir/config/wireplumber/main.lua.d/"
    cp "$shared"/policy.lua.d/*.lua "$dir/config/wireplumber/policy.lua.d/"
    cat >"$dir/config/wireplumber/main.lua.d/60-private-server.lua" <<'EOF'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
default_access.properties["enable-flatpak-portal"] = false
EOF
}

audio_start_pipewire() {
    local dir=$1 deadline=$((SECONDS + audio_ready_s))
    audio_write_pipewire_config "$dir"
    audio_spawn "$dir" pipewire pipewire
    # The session manager and the PulseAudio layer connect to the daemon at once.
    if ! audio_wait_socket "$dir/runtime/pipewire-0" "$deadline"; then return 1; fi
    audio_spawn "$dir" wireplumber wireplumber
    audio_spawn "$dir" pipewire-pulse pipewire-pulse
    audio_wait_ready "$dir" "$deadline"
}

audio_start_server() {
    local name=$1 dir=$2
    mkdir -m 700 "$dir" "$dir/runtime" "$dir/home"
    if "audio_start_$name" "$dir"; then return 0; fi
    local why="was not ready within ${audio_ready_s} s"
    if ! audio_all_running; then why="did not start: one of its processes ended"; fi
    echo "$audio_me: the private $(audio_server_title "$name") server $why; its logs:" >&2
    audio_print_logs "$dir"
    audio_stop_servers
    return 1
}
