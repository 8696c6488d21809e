#!/usr/bin/env bash
# sonti-say when things go wrong: every failure is one line and a non-zero
# status, an existing file survives it, and no half-written file is left
# under the output name. The disk fills up, the reader goes away, the sound
# server dies or is not there, the user interrupts.
source "$(dirname "$0")/say_lib.sh"
cd "$WORK"
mkdir files

# The folder holds exactly these files, hidden ones included.
expect_files() {
    local dir="$1"
    shift
    local want have
    want="$(printf '%s\n' "$@" | sort)"
    have="$(ls -A "$dir" | sort)"
    [[ "$have" == "$want" ]] || fail "$dir holds \"$(echo $have)\", not \"$(echo $want)\""
}

# An existing file survives every failure that comes before speaking.
echo "keep me" >files/keep.wav
say_run 2 -v nosuchvoice -o files/keep.wav hi
say_run 2 --format 3 -o files/keep.wav hi
say_run 1 -f missing.txt -o files/keep.wav
expect_one_line "cannot read missing.txt"
say_run 1 -m -o files/keep.wav '<pron sym="no such phonemes"/>'
[[ "$(cat files/keep.wav)" == "keep me" ]] || fail "keep.wav was touched"
expect_files files keep.wav

say_run 1 -o no/such/folder/x.wav hi
expect_one_line "Cannot write no/such/folder/x.wav"

# Interrupted while writing: 143, no file under the name, no temporary left.
rm -f events.txt
"$SONTI_SAY" --events -o files/keep.wav -f "$LONG_TEXT" >events.txt 2>err &
say=$!
wait_for grep -q '"event":"word"' events.txt || fail "nothing was written"
kill -TERM "$say"
status=0
wait "$say" || status=$?
((status == 143)) || fail "SIGTERM while writing exited $status"
[[ "$(cat files/keep.wav)" == "keep me" ]] || fail "an interrupted write replaced keep.wav"
expect_files files keep.wav

# /dev/full fails at once and stays a device.
say_run 1 -o /dev/full hi
expect_one_line "Cannot write /dev/full: No space left on device"
[[ -c /dev/full ]] || fail "/dev/full is no longer a device"

# A disk that fills up while writing.
if [[ $(id -u) -eq 0 ]] && mkdir disk && mount -t tmpfs -o size=512k tmpfs disk 2>/dev/null; then
    SAY_MOUNT="$WORK/disk"
    echo "keep me" >disk/keep.wav
    say_run 1 -o disk/keep.wav -f "$LONG_TEXT"
    expect_one_line "Cannot write disk/keep.wav: No space left on device"
    [[ "$(cat disk/keep.wav)" == "keep me" ]] || fail "a full disk spoilt keep.wav"
    expect_files disk keep.wav
    say_run 1 -o disk/new.flac -f "$LONG_TEXT"
    expect_one_line "No space left on device"
    expect_files disk keep.wav
    umount disk
    SAY_MOUNT=
else
    echo "note: no tmpfs could be mounted; the full-disk case was left out"
fi

# The reader of standard output goes away.
for output in --stdout "-o -"; do
    read -ra argv <<<"$output"
    { "$SONTI_SAY" "${argv[@]}" -f "$LONG_TEXT" 2>err && echo 0 >status || echo $? >status; } | head -c 1000 >/dev/null
    status="$(cat status)"
    ((status == 1)) || fail "$output into a closed pipe exited $status"
    expect_one_line "Cannot write standard output: Broken pipe"
done
{ "$SONTI_SAY" --events -o /dev/null -f "$LONG_TEXT" 2>err && echo 0 >status || echo $? >status; } | head -n 1 >/dev/null
status="$(cat status)"
((status == 1)) || fail "--events into a closed pipe exited $status"
expect_one_line "cannot write the events: Broken pipe"

# No sound server.
PULSE_SERVER="unix:$WORK/nobody-here" say_run 1 hello
expect_one_line "Connecting to the sound server"

# The sound server dies while speaking; then the sound stops at a signal.
start_private_pulse a
rm -f events.txt
"$SONTI_SAY" --events -f "$LONG_TEXT" >events.txt 2>err &
say=$!
wait_for grep -q '"event":"word"' events.txt || fail "nothing was heard"
kill -9 "$PULSE_PID"
status=0
wait "$say" || status=$?
((status == 1)) || fail "a dying server gave status $status"
expect_one_line "Connection terminated"

start_private_pulse b
for signal in INT:130 TERM:143; do
    # Gone before the program starts, so no old line is taken for a new one.
    rm -f events.txt
    "$SONTI_SAY" --events -f "$LONG_TEXT" >events.txt 2>err &
    say=$!
    wait_for grep -q '"event":"word"' events.txt || fail "nothing was heard"
    kill -"${signal%:*}" "$say"
    status=0
    wait "$say" || status=$?
    ((status == ${signal#*:})) || fail "SIG${signal%:*} while playing exited $status"
    [[ -z "$(HOME="$WORK/pulseb/home" pactl list short sink-inputs)" ]] || fail "a stream was left playing"
done

echo "PASS"
