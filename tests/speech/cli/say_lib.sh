# Helpers for the tests of the sonti-say program. Sourced, not run.
set -euo pipefail

: "${SONTI_SAY:?path of the sonti-say binary}"
WORK="$(mktemp -d /tmp/sonti-say-test.XXXXXX)"
PULSE_PIDS=()

say_cleanup() {
    local pid i
    for pid in "${PULSE_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
    done
    # A daemon still writing into its folder would spoil the removal.
    for pid in "${PULSE_PIDS[@]}"; do
        for ((i = 0; i < 100; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.02
        done
    done
    if [[ -n "${SAY_MOUNT:-}" ]]; then
        umount "$SAY_MOUNT" 2>/dev/null || true
    fi
    rm -rf "$WORK" || true
}
trap say_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# say_run EXPECTED-STATUS ARGS...: runs sonti-say with stdout in $WORK/out and
# stderr in $WORK/err and checks its exit status.
say_run() {
    local expected="$1"
    shift
    local status=0
    "$SONTI_SAY" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null || status=$?
    ((status == expected)) || fail "sonti-say $* exited $status, not $expected; it said: $(cat "$WORK/err")"
}

# The one line a failure prints: "sonti-say: <reason>".
expect_one_line() {
    local pattern="$1"
    (($(wc -l <"$WORK/err") == 1)) || fail "expected one line on stderr, got: $(cat "$WORK/err")"
    grep -q "^sonti-say: .*$pattern" "$WORK/err" || fail "expected \"$pattern\" on stderr, got: $(cat "$WORK/err")"
}

# wait_for COMMAND...: up to 10 s for a condition.
wait_for() {
    local i
    for ((i = 0; i < 500; i++)); do
        "$@" && return 0
        sleep 0.02
    done
    return 1
}

# A private PulseAudio daemon with a null sink, so that a test may kill it;
# sets PULSE_SERVER for the commands that follow. Skips when there is none.
start_private_pulse() {
    command -v pulseaudio >/dev/null || {
        echo "SKIP: no pulseaudio"
        exit 77
    }
    local dir="$WORK/pulse$1"
    mkdir -p "$dir/runtime" "$dir/home"
    chmod 700 "$dir/runtime"
    XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=say_null rate=48000" --load=module-native-protocol-unix \
        --log-target="file:$dir/pulse.log" 2>/dev/null || true
    export PULSE_SERVER="unix:$dir/runtime/pulse/native"
    wait_for test -s "$dir/runtime/pulse/pid" || fail "the private PulseAudio daemon did not start"
    PULSE_PID="$(cat "$dir/runtime/pulse/pid")"
    PULSE_PIDS+=("$PULSE_PID")
    wait_for env HOME="$dir/home" pactl info >/dev/null 2>&1 || fail "the private PulseAudio daemon does not answer"
    HOME="$dir/home" pactl set-default-sink say_null
}

# A text long enough to take a while to say or write.
LONG_TEXT="$WORK/long.txt"
for ((i = 1; i <= 2000; i++)); do
    echo "Sentence number $i is spoken here, and then the next one follows it."
done >"$LONG_TEXT"

# Seconds of audio in a sound file.
duration_of() {
    soxi -D "$1"
}
