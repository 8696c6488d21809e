#!/usr/bin/env bash
# sonti-say beside a sound server that has stopped answering (SIGSTOP: its
# socket still accepts, nobody reads): writing a file and listing the voices
# never touch the server, and playing gives up with one line, whether the
# server stopped before or during the speech. Each command
# runs under a limit far above the second it may take and far below the
# half minute libpulse would wait.
source "$(dirname "$0")/say_lib.sh"
cd "$WORK"

start_private_pulse hung
kill -STOP "$PULSE_PID"

limited() {
    local status=0
    timeout 15 "$SONTI_SAY" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null || status=$?
    ((status != 124)) || fail "sonti-say $* still waited on the stopped server"
    return "$status"
}

limited -o x.wav "Written while the server sleeps." || fail "-o x.wav failed: $(cat err)"
(($(duration_of x.wav | cut -d. -f1) >= 1)) || fail "x.wav holds $(duration_of x.wav) s"
limited --list-voices || fail "--list-voices failed: $(cat err)"
grep -q "en-US" out || fail "--list-voices listed no American English"

status=0
limited "Nobody hears this." || status=$?
((status == 1)) || fail "playing to a stopped server exited $status"
expect_one_line "Connecting to the sound server"

# Stopped while playing: the stream fails instead of waiting for ever.
kill -CONT "$PULSE_PID"
rm -f events.txt
"$SONTI_SAY" --events -f "$LONG_TEXT" >events.txt 2>err &
say=$!
wait_for grep -q '"event":"word"' events.txt || fail "nothing was heard"
kill -STOP "$PULSE_PID"
status=0
timeout 15 tail --pid="$say" -f /dev/null || fail "sonti-say still waited on the server stopped mid-speech"
wait "$say" || status=$?
((status == 1)) || fail "a server stopped mid-speech gave status $status"
expect_one_line "The sound server stopped answering: Timeout"

kill -CONT "$PULSE_PID"
echo "PASS"
