#!/usr/bin/env bash
# Reading aloud in the real window: type a sentence, press Speak, and watch
# and listen while it is spoken. Sound is heard, a later word is selected, the
# meter lights, the face moves; at the end the whole text is selected and the
# face rests. With SONTI_E2E_VOICE (a voice's id, "Flite/slt") that voice
# speaks, chosen as a stored Speaker, and what is heard must last as long as
# sonti-say ($SONTI_SAY) takes to say the same sentence with it.
source "$(dirname "$0")/lib.sh"
if [[ -z "${PULSE_SERVER:-}" ]] || ! pactl info >/dev/null 2>&1; then
    echo "SKIP: no PulseAudio server (scripts/test starts one)"
    exit 77
fi
sink="${SONTI_TEST_SINK:-$(pactl get-default-sink)}"

SENTENCE="Hello there, this is Sonti reading a sentence aloud for you."
if [[ -n "${SONTI_E2E_VOICE:-}" ]]; then
    position="$("$SONTI_SAY" --list-voices | awk -F'\t' -v id="$SONTI_E2E_VOICE" '$2 == id { print $1 }')"
    [[ -n "$position" ]] || fail "no voice $SONTI_E2E_VOICE"
    printf '[Voice]\nSpeaker=%s\nFormat=2\nXML=1\n' "$position" >"$E2E_DIR/TTS.ini"
    "$SONTI_SAY" -v "$SONTI_E2E_VOICE" -w "$E2E_DIR/said.wav" "$SENTENCE"
fi

start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window"
read -r height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[2]}')
menu=$((height - 462))
sleep 0.3
import -window "$win" "$E2E_DIR/rest.png"
# The eyes and the mouth; the meter covers the face's lower right corner.
face_crop="60x70+$((FACE_X + 28))+$((menu + FACE_Y + 27))"
convert "$E2E_DIR/rest.png" -crop "$face_crop" +repage "$E2E_DIR/rest-face.png"

parec -d "$sink.monitor" --raw --format=s16le --rate=48000 --channels=2 --latency-msec=20 >"$E2E_DIR/heard.raw" &
recorder=$!
E2E_PIDS+=("$recorder")

# Replace the text: click into the text box, select all, type.
xdotool mousemove --window "$win" 100 $((menu + 300)) click 1
xdotool key --window "$win" ctrl+a
xdotool type --window "$win" --delay 2 "$SENTENCE"
xdotool key --window "$win" alt+s
spoke_at=$SECONDS

later_word=0 lit=0 moved=0 ended=0
for ((i = 0; i < 150; i++)); do
    import -window "$win" "$E2E_DIR/now.png" 2>/dev/null || continue
    box="$(bbox_of "$E2E_DIR/now.png" "$HIGHLIGHT")"
    # A selection starting right of "Hello" is a later word (an empty box
    # is no selection at all).
    if [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] && ((BASH_REMATCH[1] > 0 && BASH_REMATCH[3] > 50 && BASH_REMATCH[1] < 150)); then
        later_word=1
    fi
    convert "$E2E_DIR/now.png" -crop 65x46+$METER_X+$((menu + METER_Y)) +repage "$E2E_DIR/meter.png"
    (($(count_colour "$E2E_DIR/meter.png" 00c000) > 20)) && lit=1
    convert "$E2E_DIR/now.png" -crop "$face_crop" +repage "$E2E_DIR/face.png"
    face_diff="$(compare -metric AE "$E2E_DIR/face.png" "$E2E_DIR/rest-face.png" null: 2>&1 || true)"
    ((${face_diff%% *} > 20)) && moved=1
    # The end: the whole text selected from its first character, face at rest.
    if ((later_word && i > 5)) && [[ "$box" =~ \+([0-9]+)\+ ]] && ((BASH_REMATCH[1] < 12)) && ((${face_diff%% *} == 0)); then
        ended=1
        break
    fi
    sleep 0.05
done
cp "$E2E_DIR/now.png" "$E2E_SHOTS/speech-end.png" 2>/dev/null || true
if [[ -n "${SONTI_E2E_VOICE:-}" ]]; then
    # Record the whole sentence, whatever the screenshots made of its end.
    said_s="$(soxi -D "$E2E_DIR/said.wav")"
    while ((SECONDS - spoke_at < ${said_s%.*} + 2)); do sleep 0.2; done
fi
kill "$recorder" 2>/dev/null || true
wait "$recorder" 2>/dev/null || true

((later_word)) || fail "no word after the first was ever selected"
((lit)) || fail "the meter never lit"
((moved)) || fail "the face never moved"
((ended)) || fail "the speech did not end with the whole text selected and the face at rest"

sox -t raw -r 48000 -e signed -b 16 -c 2 "$E2E_DIR/heard.raw" -n remix 1 stat 2>"$E2E_DIR/stat.txt" || true
rms="$(awk '/RMS +amplitude/ {print $3}' "$E2E_DIR/stat.txt")"
awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || fail "nothing was heard (RMS $rms)"
if [[ -n "${SONTI_E2E_VOICE:-}" ]]; then
    # From the first sound to the last, against the same voice in a file: a
    # voice played at another rate than its own would be off by a third.
    trim=(silence 1 0.02 1% reverse silence 1 0.02 1% reverse)
    sox -t raw -r 48000 -e signed -b 16 -c 2 "$E2E_DIR/heard.raw" "$E2E_DIR/heard.wav" remix 1 "${trim[@]}"
    sox "$E2E_DIR/said.wav" "$E2E_DIR/said-trimmed.wav" "${trim[@]}"
    heard_s="$(soxi -D "$E2E_DIR/heard.wav")" said_s="$(soxi -D "$E2E_DIR/said-trimmed.wav")"
    awk -v h="$heard_s" -v s="$said_s" 'BEGIN { exit !(s > 1.5 && h > s * 0.85 && h < s * 1.15) }' ||
        fail "heard $heard_s s of speech; $SONTI_E2E_VOICE says the sentence in $said_s s"
    cp "$E2E_DIR/now.png" "$E2E_SHOTS/speech-$(tr / - <<<"$SONTI_E2E_VOICE").png" 2>/dev/null || true
fi

exit_by_menu "$win"
expect_silence
echo "PASS"
