# A private sound server with a null sink and an Xvfb display for the
# tests, end-to-end runs and benchmarks. Sourced, not run.
# sonti_env_start exports XDG_RUNTIME_DIR, PULSE_SERVER, SONTI_TEST_SINK and
# DISPLAY; sonti_env_stop ends the servers (it is also set as an EXIT trap).
# SONTI_AUDIO_SERVER chooses the sound server: pulseaudio (the default) or
# pipewire (PipeWire with WirePlumber and its PulseAudio server,
# pipewire-pulse, which is what most desktops run now). Either way clients
# reach it through PULSE_SERVER.

# sonti_start_pulseaudio: the PulseAudio daemon, with the null sink.
sonti_start_pulseaudio() {
    # PulseAudio reads its cookie and configuration from HOME.
    HOME="$SONTI_ENV_HOME" pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=sonti_null rate=48000" \
        --load=module-native-protocol-unix \
        --log-target="file:$SONTI_ENV_DIR/pulse.log" 2>/dev/null || true
}

# sonti_start_pipewire: PipeWire, WirePlumber and pipewire-pulse on a
# session bus of their own; the null sink is loaded once the server answers.
sonti_start_pipewire() {
    local bus
    bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)" || return 1
    export DBUS_SESSION_BUS_ADDRESS="${bus%%$'\n'*}"
    SONTI_ENV_PIDS=("${bus##*$'\n'}")
    local program
    for program in pipewire wireplumber pipewire-pulse; do
        HOME="$SONTI_ENV_HOME" "$program" >>"$SONTI_ENV_DIR/pipewire.log" 2>&1 &
        SONTI_ENV_PIDS+=($!)
    done
}

sonti_env_start() {
    SONTI_ENV_DIR="$(mktemp -d /tmp/sonti-env.XXXXXX)"
    export XDG_RUNTIME_DIR="$SONTI_ENV_DIR/runtime"
    export SONTI_ENV_HOME="$SONTI_ENV_DIR/home"
    mkdir -p "$XDG_RUNTIME_DIR" "$SONTI_ENV_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    SONTI_ENV_PIDS=()
    # Set at once, so a start that fails half-way leaves no server behind.
    trap sonti_env_stop EXIT

    local server="${SONTI_AUDIO_SERVER:-pulseaudio}"
    case "$server" in
    pulseaudio) sonti_start_pulseaudio ;;
    pipewire) sonti_start_pipewire || return 1 ;;
    *)
        echo "sonti: SONTI_AUDIO_SERVER is pulseaudio or pipewire, not '$server'" >&2
        return 1
        ;;
    esac
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    export SONTI_TEST_SINK=sonti_null
    local i
    for i in $(seq 300); do
        HOME="$SONTI_ENV_HOME" pactl info >/dev/null 2>&1 && break
        sleep 0.02
    done
    if ! HOME="$SONTI_ENV_HOME" pactl info >/dev/null 2>&1; then
        echo "sonti: the test sound server ($server) did not start; see the logs in $SONTI_ENV_DIR" >&2
        return 1
    fi
    if [[ $server == pipewire ]]; then
        # The server answers before it can load modules ("Not supported"
        # for a moment), and the session manager takes a moment to offer
        # the new sink.
        for i in $(seq 300); do
            HOME="$SONTI_ENV_HOME" pactl load-module module-null-sink sink_name=sonti_null rate=48000 \
                >/dev/null 2>&1 && break
            sleep 0.02
        done
        for i in $(seq 300); do
            HOME="$SONTI_ENV_HOME" pactl list short sinks | grep -q sonti_null && break
            sleep 0.02
        done
    fi
    # PipeWire's server may refuse it for a moment too.
    for i in $(seq 300); do
        HOME="$SONTI_ENV_HOME" pactl set-default-sink sonti_null 2>/dev/null && break
        sleep 0.02
    done

    local n
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$SONTI_ENV_DIR/xvfb.log" 2>&1 &
        SONTI_XVFB_PID=$!
        export DISPLAY=":$n"
        break
    done
    for i in $(seq 300); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.02
    done
    if ! xdpyinfo >/dev/null 2>&1; then
        echo "sonti: Xvfb did not start; see $SONTI_ENV_DIR/xvfb.log" >&2
        return 1
    fi
    trap sonti_env_stop EXIT
}

sonti_env_stop() {
    if [[ -n "${SONTI_XVFB_PID:-}" ]]; then
        kill "$SONTI_XVFB_PID" 2>/dev/null || true
        wait "$SONTI_XVFB_PID" 2>/dev/null || true
        SONTI_XVFB_PID=
    fi
    local pid i
    for pid in ${SONTI_ENV_PIDS[@]+"${SONTI_ENV_PIDS[@]}"}; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in ${SONTI_ENV_PIDS[@]+"${SONTI_ENV_PIDS[@]}"}; do
        # Not children when the bus forked itself: wait by polling.
        for ((i = 0; i < 250; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.02
        done
    done
    SONTI_ENV_PIDS=()
    if [[ -n "${XDG_RUNTIME_DIR:-}" && -f "$XDG_RUNTIME_DIR/pulse/pid" ]]; then
        pid="$(cat "$XDG_RUNTIME_DIR/pulse/pid")"
        kill "$pid" 2>/dev/null || true
        # The daemon removes its files as it ends: removing the folder under
        # it would fail, and fail the run that has passed.
        for ((i = 0; i < 250; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.02
        done
    fi
    if [[ -n "${SONTI_ENV_DIR:-}" ]]; then
        rm -rf "$SONTI_ENV_DIR" || true
        SONTI_ENV_DIR=
    fi
}
