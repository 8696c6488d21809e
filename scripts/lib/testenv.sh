# A private PulseAudio daemon with a null sink and an Xvfb display for the
# tests, end-to-end runs and benchmarks. Sourced, not run.
# sonti_env_start exports XDG_RUNTIME_DIR, PULSE_SERVER, SONTI_TEST_SINK and
# DISPLAY; sonti_env_stop ends both servers (it is also set as an EXIT trap).

sonti_env_start() {
    SONTI_ENV_DIR="$(mktemp -d /tmp/sonti-env.XXXXXX)"
    export XDG_RUNTIME_DIR="$SONTI_ENV_DIR/runtime"
    export SONTI_ENV_HOME="$SONTI_ENV_DIR/home"
    mkdir -p "$XDG_RUNTIME_DIR" "$SONTI_ENV_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"

    # PulseAudio reads its cookie and configuration from HOME.
    HOME="$SONTI_ENV_HOME" pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=sonti_null rate=48000" \
        --load=module-native-protocol-unix \
        --log-target="file:$SONTI_ENV_DIR/pulse.log" 2>/dev/null || true
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    export SONTI_TEST_SINK=sonti_null
    local i
    for i in $(seq 300); do
        HOME="$SONTI_ENV_HOME" pactl info >/dev/null 2>&1 && break
        sleep 0.02
    done
    if ! HOME="$SONTI_ENV_HOME" pactl info >/dev/null 2>&1; then
        echo "sonti: the test PulseAudio daemon did not start; see $SONTI_ENV_DIR/pulse.log" >&2
        return 1
    fi
    HOME="$SONTI_ENV_HOME" pactl set-default-sink sonti_null

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
    if [[ -n "${XDG_RUNTIME_DIR:-}" && -f "$XDG_RUNTIME_DIR/pulse/pid" ]]; then
        local pid i
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
