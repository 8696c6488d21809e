# Helpers for the end-to-end tests: the real sonti binary under the Xvfb
# display that scripts/test starts, driven with xdotool. Sourced, not run.
set -euo pipefail

: "${SONTI_BINARY:?path of the sonti binary}"
if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    echo "SKIP: no X display (scripts/test starts Xvfb)"
    exit 77
fi

E2E_DIR="$(mktemp -d /tmp/sonti-e2e.XXXXXX)"
# Screenshots worth keeping after the run (the build folder's Testing/e2e).
E2E_SHOTS="${SONTI_E2E_SHOTS:-$E2E_DIR}"
mkdir -p "$E2E_SHOTS"
# Each test gets its own program folder (TTS.ini lives beside the binary)
# and its own runtime folder (the single-instance lock), so tests never
# see each other's state.
cp "$SONTI_BINARY" "$E2E_DIR/sonti"
# The sound server is named explicitly, so the runtime folder can be ours.
if [[ -z "${PULSE_SERVER:-}" && -n "${XDG_RUNTIME_DIR:-}" && -S "$XDG_RUNTIME_DIR/pulse/native" ]]; then
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
fi
export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
E2E_PIDS=()
# A session bus of the test's own unless the sound server brought one, as a
# desktop has: without one, Qt's accessibility bridge has libdbus fork the
# program to look for dbus-launch as its first window shows, and under
# AddressSanitizer that child of a many-threaded program can hang for good
# on a lock another thread held, and the window with it.
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    E2E_BUS="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
    export DBUS_SESSION_BUS_ADDRESS="${E2E_BUS%%$'\n'*}"
    E2E_PIDS+=("${E2E_BUS##*$'\n'}")
fi

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [[ -n "${E2E_KEEP:-}" ]] || rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

# Where things are in a window screenshot, below the menu bar: the face
# (Frame1 at 3,8; VisemePicture at 8,16 in it) and the meter (96,80 in the face).
FACE_X=11 FACE_Y=24
METER_X=107 METER_Y=104
# Text1's selection colour.
HIGHLIGHT=308cc6

fail() {
    echo "FAIL: $*" >&2
    # What the copy last started printed, and where it is stuck if it is
    # still running: a failure on a busy machine must say why.
    if [[ -s "$E2E_DIR/sonti.log" ]]; then
        echo "--- the program printed:" >&2
        tail -n 40 "$E2E_DIR/sonti.log" >&2
    fi
    if [[ -n "${SONTI_PID:-}" ]] && kill -0 "$SONTI_PID" 2>/dev/null; then
        echo "--- the program is still running; its threads:" >&2
        timeout 60 gdb -p "$SONTI_PID" -batch -nx -ex 'thread apply all bt 30' 2>&1 \
            | grep -E '^(Thread|#)' | head -n 300 >&2 || true
    elif [[ -n "${SONTI_PID:-}" ]]; then
        local status=0
        wait "$SONTI_PID" 2>/dev/null || status=$?
        echo "--- the program is no longer running (exit status $status)" >&2
    fi
    exit 1
}

# start_sonti [arguments...]: starts a copy in the background and sets
# SONTI_PID.
start_sonti() {
    "$E2E_DIR/sonti" "$@" >>"$E2E_DIR/sonti.log" 2>&1 &
    SONTI_PID=$!
    E2E_PIDS+=("$SONTI_PID")
}

# wait_window <title regex> [pid] [seconds]: prints the id of a shown window
# with that title (of that process, when given) once there is one.
wait_window() {
    local title="$1" pid="${2:-}" limit="${3:-30}" i id
    local by_pid=()
    [[ -n "$pid" ]] && by_pid=(--all --pid "$pid")
    for ((i = 0; i < limit * 50; i++)); do
        id="$(xdotool search --onlyvisible "${by_pid[@]}" --name "$title" 2>/dev/null | head -1 || true)"
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.02
    done
    return 1
}

# wait_gone <pid> [seconds]: waits for the process to end and sets
# EXIT_STATUS; fails when it is still running after the time.
wait_gone() {
    local pid="$1" limit="${2:-30}" i
    for ((i = 0; i < limit * 50; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            EXIT_STATUS=0
            wait "$pid" || EXIT_STATUS=$?
            return 0
        fi
        sleep 0.02
    done
    return 1
}

# wait_title <window> <title>: polls until the window has exactly that title.
wait_title() {
    local i
    for ((i = 0; i < 750; i++)); do
        [[ "$(xdotool getwindowname "$1" 2>/dev/null)" == "$2" ]] && return 0
        sleep 0.02
    done
    return 1
}

# file_menu <window> <key>: opens the File menu and chooses the entry with
# that access key, once the menu is on screen.
file_menu() {
    local before i
    before="$(xdotool search --onlyvisible --pid "$SONTI_PID" | wc -l)"
    timeout 5 xdotool windowfocus --sync "$1" key alt+f
    for ((i = 0; i < 750; i++)); do
        (($(xdotool search --onlyvisible --pid "$SONTI_PID" | wc -l) > before)) && break
        sleep 0.02
    done
    ((i < 750)) || fail "the File menu did not open"
    xdotool key "$2"
}

# shown <window>: whether the window is mapped.
shown() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'
}

# open_by_dialog <window> <path>: File > Open, the path typed, Return. A
# slow (sanitized) program may not take the first keys yet: the name is
# typed again while the dialog stays open.
open_by_dialog() {
    local dialog attempt i
    file_menu "$1" o
    dialog="$(wait_window '^Open$' "$SONTI_PID")" || fail "File > Open showed no dialog"
    for attempt in 1 2 3; do
        sleep 0.2
        timeout 5 xdotool windowfocus --sync "$dialog" key ctrl+a
        xdotool type --delay 2 "$2"
        xdotool key Return
        for ((i = 0; i < 250; i++)); do
            shown "$dialog" || return 0
            sleep 0.02
        done
    done
    fail "the Open dialog did not take $2"
}

# exit_by_menu <window>: File > Exit; the program must end with status 0.
exit_by_menu() {
    file_menu "$1" x
    wait_gone "$SONTI_PID" || fail "File > Exit did not end the program"
    [[ "$EXIT_STATUS" == 0 ]] || fail "the program ended with $EXIT_STATUS"
}

# expect_silence: fails when any copy started so far printed anything; a
# normal run prints nothing.
expect_silence() {
    [[ ! -s "$E2E_DIR/sonti.log" ]] || fail "the program printed: $(head -c 2000 "$E2E_DIR/sonti.log")"
}

# pixel <png> <x> <y>: prints the pixel as rrggbb.
pixel() {
    convert "$1" -format '%[hex:p{'"$2,$3"'}]' info: | cut -c1-6 | tr 'A-F' 'a-f'
}

# bbox_of <png> <rrggbb>: the bounding box (WxH+X+Y) of that colour.
bbox_of() {
    convert "$1" -fill black +opaque "#$2" -format '%@' info: 2>/dev/null || true
}

# count_colour <png> <rrggbb>: number of pixels of exactly that colour.
count_colour() {
    convert "$1" -fill black +opaque "#$2" -fill white -opaque "#$2" -format '%[fx:round(mean*w*h)]' info:
}
