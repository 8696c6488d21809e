#!/usr/bin/env bash
# The real program beside a sound server that has stopped answering
# (SIGSTOP: its socket accepts, nobody reads): the window comes up at once,
# Speak says "Speech Error!" within seconds, and the program still exits.
# Each wait is far shorter than the half minute libpulse waits by itself.
source "$(dirname "$0")/lib.sh"
command -v pulseaudio >/dev/null || {
    echo "SKIP: no pulseaudio"
    exit 77
}

pulse="$E2E_DIR/pulse"
mkdir -m 700 "$pulse"
XDG_RUNTIME_DIR="$pulse" HOME="$pulse" pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
    --load=module-null-sink --load=module-native-protocol-unix --log-target="file:$pulse/log" 2>/dev/null || true
for ((i = 0; i < 500; i++)); do
    [[ -s "$pulse/pulse/pid" ]] && break
    sleep 0.02
done
daemon="$(cat "$pulse/pulse/pid")" || fail "the private PulseAudio daemon did not start"
trap 'kill -CONT "$daemon"; kill -9 "$daemon"; e2e_cleanup' EXIT
export PULSE_SERVER="unix:$pulse/pulse/native"
for ((i = 0; i < 500; i++)); do
    HOME="$pulse" pactl info >/dev/null 2>&1 && break
    sleep 0.02
done
kill -STOP "$daemon"

start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID" 10)" || fail "no window within 10 s beside a stopped server"
xdotool mousemove --window "$win" 100 300 click 1
timeout 5 xdotool windowfocus --sync "$win" type --delay 2 "Nobody hears this."
xdotool key alt+s
box="$(wait_window '^Sonti$' "$SONTI_PID" 10)" || fail "Speak beside a stopped server said nothing within 10 s"
xdotool windowfocus --sync "$box" key Return
sleep 0.3
timeout 5 xdotool windowfocus --sync "$win" key Escape ctrl+q
wait_gone "$SONTI_PID" 10 || fail "the program did not exit beside a stopped server"
((EXIT_STATUS == 0)) || fail "the program ended with $EXIT_STATUS"
echo "PASS"
