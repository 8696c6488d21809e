# Helpers for the end-to-end tests: the real sonti binary under the Xvfb
# display that scripts/test starts, driven with xdotool. Sourced, not run.
set -euo pipefail

: "${SONTI_BINARY:?path of the sonti binary}"
if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    echo "SKIP: no X display (scripts/test starts Xvfb)"
    exit 77
fi

E2E_DIR="$(mktemp -d /tmp/sonti-e2e.XXXXXX)"
# Each test gets its own program folder (TTS.ini lives beside the binary)
# and its own runtime folder (the single-instance lock), so tests never
# see each other's state.
cp "$SONTI_BINARY" "$E2E_DIR/sonti"
export XDG_RUNTIME_DIR_ORIG="${XDG_RUNTIME_DIR:-}"
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_sonti: starts a copy in the background and sets SONTI_PID.
start_sonti() {
    "$E2E_DIR/sonti" >>"$E2E_DIR/sonti.log" 2>&1 &
    SONTI_PID=$!
    E2E_PIDS+=("$SONTI_PID")
}

# wait_window <title regex> [seconds]: prints the window id once it is shown.
wait_window() {
    local title="$1" limit="${2:-10}" i id
    for ((i = 0; i < limit * 50; i++)); do
        id="$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1 || true)"
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.02
    done
    return 1
}

# wait_gone <pid> [seconds]: waits for the process to end; prints its status.
wait_gone() {
    local pid="$1" limit="${2:-10}" i
    for ((i = 0; i < limit * 50; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" && echo 0 || echo $?
            return 0
        fi
        sleep 0.02
    done
    return 1
}

# pixel <png> <x> <y>: prints the pixel as rrggbb.
pixel() {
    convert "$1" -format '%[hex:p{'"$2,$3"'}]' info: | cut -c1-6 | tr 'A-F' 'a-f'
}

# count_colour <png> <rrggbb>: number of pixels of exactly that colour.
count_colour() {
    convert "$1" -fill black +opaque "#$2" -fill white -opaque "#$2" -format '%[fx:round(mean*w*h)]' info:
}
