#!/usr/bin/env bash
# A user's journey through the real program, by keys and clicks only, with
# the real PulseAudio null sink and a screenshot of every step kept in
# $SONTI_E2E_SHOTS (the build folder's Testing/e2e):
#   1. start Sonti and type a paragraph;
#   2. speak: a later word is lit, the meter and the face move, the monitor
#      records speech, in the default format (22 kHz mono);
#   3. pause: the sound stops and the meter reads 0%; resume: it speaks on;
#      stop with Escape: the whole text is selected;
#   4. choose another voice and 16 kHz stereo, turn Process XML off, speak:
#      the stream has the new rate and channel count;
#   5. open a file through the Open dialog, then another, then the first
#      again from the recent files; exit with Ctrl+Q;
#   6. start again: position, voice, format, XML option and recent files are
#      as they were.
# Xvfb has no window manager, so moving the window (step 5) is done as a
# window manager would, with xdotool windowmove.
source "$(dirname "$0")/lib.sh"
if [[ -z "${PULSE_SERVER:-}" ]] || ! pactl info >/dev/null 2>&1; then
    echo "SKIP: no PulseAudio server (scripts/test starts one)"
    exit 77
fi
sink="${SONTI_TEST_SINK:-$(pactl get-default-sink)}"

# shot <name>: keeps a screenshot of the window as journey-<name>.png.
shot() {
    import -window "$win" "$E2E_SHOTS/journey-$1.png"
    cp "$E2E_SHOTS/journey-$1.png" "$E2E_DIR/now.png"
}
# grab: a screenshot to look at, not kept.
grab() {
    import -window "$win" "$E2E_DIR/now.png" 2>/dev/null
}
# rms <raw file>: RMS amplitude of 48 kHz stereo s16 audio (first channel).
rms() {
    sox -t raw -r 48000 -e signed -b 16 -c 2 "$1" -n remix 1 stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
}
louder() { awk -v r="$1" -v t="$2" 'BEGIN { exit !(r > t) }'; }
# record <seconds> <file>: what the sink plays for that long.
record() {
    timeout "$1" parec -d "$sink.monitor" --raw --format=s16le --rate=48000 --channels=2 --latency-msec=20 >"$2" || true
}
# sonti_streams: the sample formats of Sonti's playing streams (a corked
# spare, kept ready for the next Speak, is not one).
sonti_streams() {
    pactl list sink-inputs | awk -v pid="$SONTI_PID" '
        /^Sink Input #/ { spec = ""; corked = "" }
        /Sample Specification:/ { sub(/.*Sample Specification: /, ""); spec = $0 }
        /Corked:/ { corked = $2 }
        /application.process.id = / && $0 ~ "\"" pid "\"" && corked == "no" { print spec }'
}
# stream_spec: the sample format of Sonti's playback stream, once
# there is one.
stream_spec() {
    local i spec
    for ((i = 0; i < 500; i++)); do
        spec="$(sonti_streams | head -1)"
        [[ -n "$spec" ]] && echo "$spec" && return 0
        sleep 0.02
    done
    return 1
}
# meter <png> <out>: the level meter; lit_bars <png>: lit pixels of its bars.
meter() {
    convert "$1" -crop 65x46+$METER_X+$((menu + METER_Y)) +repage "$2"
}
lit_bars() {
    convert "$1" -crop 30x46+$METER_X+$((menu + METER_Y)) +repage "$E2E_DIR/bars.png"
    count_colour "$E2E_DIR/bars.png" 00c000
}
# selection_box <png>: W H X Y of the highlight colour in the text box.
selection_box() {
    convert "$1" -crop 360x262+4+$((menu + 196)) +repage "$E2E_DIR/text.png"
    local box
    box="$(bbox_of "$E2E_DIR/text.png" "$HIGHLIGHT")"
    [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
    echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
}
# controls <png> <out>: the voice list, the format list and the XML box.
controls() {
    convert "$1" -crop "185x81+187+$((menu + 24))" +repage "$2"
}
same() {
    [[ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" == 0 ]]
}

paragraph="Sonti reads this paragraph aloud while you watch. Every word is lit as it is heard, \
the meter follows the sound and the little microphone moves its mouth along. \
The sentence goes on for a while, so there is time to pause it, to listen to the silence, \
to resume it again and then to stop it before it has reached its very end."
first="$E2E_DIR/first file.txt" second="$E2E_DIR/second file.txt"
echo "The first file." >"$first"
echo "The second file." >"$second"

# 1. Start and type.
start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window"
read -r height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[2]}')
menu=$((height - 462))
sleep 0.3
grab
face_crop="60x70+$((FACE_X + 28))+$((menu + FACE_Y + 27))"
convert "$E2E_DIR/now.png" -crop "$face_crop" +repage "$E2E_DIR/rest-face.png"
parec -d "$sink.monitor" --raw --format=s16le --rate=48000 --channels=2 --latency-msec=20 >"$E2E_DIR/heard.raw" &
E2E_PIDS+=("$!")
xdotool mousemove --window "$win" 100 $((menu + 300)) click 1
timeout 5 xdotool windowfocus --sync "$win" key ctrl+a
xdotool type --delay 2 "$paragraph"
sleep 0.3
shot 1-typed
convert "$E2E_DIR/now.png" -crop "340x250+6+$((menu + 195))" +repage -fuzz 20% -trim -format '%h' info: >"$E2E_DIR/h"
(($(cat "$E2E_DIR/h") > 40)) || fail "the typed paragraph does not show (text $(cat "$E2E_DIR/h") px high)"

# 2. Speak.
xdotool key alt+s
spec="$(stream_spec)" || fail "Speak started no playback stream"
[[ "$spec" == "s16le 1ch 22050Hz" ]] || fail "the default format plays as '$spec'"
later_word=0 lit=0 moved=0
for ((i = 0; i < 200 && !(later_word && lit && moved); i++)); do
    grab || continue
    if read -r w h x y < <(selection_box "$E2E_DIR/now.png") && ((w < 150 && h < 20 && (x > 60 || y > 5))); then
        later_word=1
    fi
    (($(lit_bars "$E2E_DIR/now.png") > 20)) && lit=1
    convert "$E2E_DIR/now.png" -crop "$face_crop" +repage "$E2E_DIR/face.png"
    diff="$(compare -metric AE "$E2E_DIR/face.png" "$E2E_DIR/rest-face.png" null: 2>&1 || true)"
    ((${diff%% *} > 20)) && moved=1
    sleep 0.05
done
shot 2-speaking
((later_word)) || fail "no word after the first was lit"
((lit)) || fail "the meter never lit"
((moved)) || fail "the face never moved"
cp "$E2E_DIR/heard.raw" "$E2E_DIR/so-far.raw"
louder "$(rms "$E2E_DIR/so-far.raw")" 0.01 || fail "the monitor recorded no speech"

# 3. Pause, resume, stop.
xdotool key alt+p
sleep 0.5
shot 3-paused
meter "$E2E_DIR/now.png" "$E2E_DIR/meter-paused.png"
(($(lit_bars "$E2E_DIR/now.png") == 0)) || fail "the meter still shows a level while paused"
record 1 "$E2E_DIR/paused.raw"
louder 0.001 "$(rms "$E2E_DIR/paused.raw")" || fail "sound goes on while paused (RMS $(rms "$E2E_DIR/paused.raw"))"
xdotool key alt+r
sleep 0.3
record 1.5 "$E2E_DIR/resumed.raw"
louder "$(rms "$E2E_DIR/resumed.raw")" 0.01 || fail "no sound after Resume"
shot 3-resumed
xdotool key Escape
for ((i = 0; i < 250; i++)); do
    grab
    read -r w h x y < <(selection_box "$E2E_DIR/now.png") && ((x < 12 && y < 8 && h > 30)) && break
    sleep 0.02
done
((i < 250)) || fail "Escape did not stop with the whole text selected"
shot 3-stopped
meter "$E2E_DIR/now.png" "$E2E_DIR/meter-stopped.png"
# Pause and Stop both set the meter to 0 and its label to 0%.
same "$E2E_DIR/meter-paused.png" "$E2E_DIR/meter-stopped.png" || fail "the meter did not read 0% while paused"

# 4. Another voice, 16 kHz stereo, no XML; speak again.
controls "$E2E_DIR/now.png" "$E2E_DIR/controls-before.png"
xdotool mousemove --window "$win" 100 $((menu + 300)) click 1
xdotool key --delay 30 Tab Tab Down Tab Up alt+l
for ((i = 0; i < 250; i++)); do
    grab
    controls "$E2E_DIR/now.png" "$E2E_DIR/controls-chosen.png"
    ! same "$E2E_DIR/controls-before.png" "$E2E_DIR/controls-chosen.png" && break
    sleep 0.02
done
((i < 250)) || fail "the voice, format and XML box did not change"
sleep 0.3
# The stream of the first speech must be gone before the new one is read.
for ((i = 0; i < 250; i++)); do
    [[ -z "$(sonti_streams)" ]] && break
    sleep 0.02
done
xdotool key alt+s
spec="$(stream_spec)" || fail "the second Speak started no playback stream"
[[ "$spec" == "s16le 2ch 16000Hz" ]] || fail "16kHz16BitStereo plays as '$spec'"
record 1.5 "$E2E_DIR/stereo.raw"
louder "$(rms "$E2E_DIR/stereo.raw")" 0.01 || fail "nothing heard in the new format"
shot 4-new-format
xdotool key Escape

# 5. Open two files by the dialog, reopen the first from the recent files,
# move the window, exit with Ctrl+Q.
open_by_dialog "$win" "$first"
wait_title "$win" "TTS - first file.txt" || fail "the first file did not open"
shot 5-opened
open_by_dialog "$win" "$second"
wait_title "$win" "TTS - second file.txt" || fail "the second file did not open"
file_menu "$win" 2
wait_title "$win" "TTS - first file.txt" || fail "recent item 2 did not reopen the first file"
shot 5-reopened
xdotool windowmove --sync "$win" 200 150
sleep 0.3
grab
controls "$E2E_DIR/now.png" "$E2E_DIR/controls-at-exit.png"
timeout 5 xdotool windowfocus --sync "$win" key ctrl+q
wait_gone "$SONTI_PID" || fail "Ctrl+Q did not end the program"
((EXIT_STATUS == 0)) || fail "the program ended with $EXIT_STATUS"

# 6. Start again.
start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window at the second start"
sleep 0.3
shot 6-restored
[[ "$(xdotool getwindowgeometry "$win" | awk '/Position/ {print $2}')" == 200,150 ]] \
    || fail "the window is not where it was left: $(xdotool getwindowgeometry "$win")"
controls "$E2E_DIR/now.png" "$E2E_DIR/controls-restored.png"
same "$E2E_DIR/controls-at-exit.png" "$E2E_DIR/controls-restored.png" || fail "voice, format or XML box not restored"
# As the first run left it (opening a recent file below stores the list anew).
for line in Speaker=1 Format=1 XML=0 Count=2 "1=$first" "2=$second"; do
    grep -qxF "$line" "$E2E_DIR/TTS.ini" || fail "TTS.ini lacks '$line': $(cat "$E2E_DIR/TTS.ini")"
done
file_menu "$win" 2
wait_title "$win" "TTS - second file.txt" || fail "the recent files were not restored"
exit_by_menu "$win"
echo "PASS (screenshots in $E2E_SHOTS)"
