#!/usr/bin/env bash
# sonti-say as a script would use it in place of espeak-ng: every option,
# the output files, the events and the exit codes.
source "$(dirname "$0")/say_lib.sh"
cd "$WORK"
SENTENCE="The quick brown fox jumps over the lazy dog."

# Usage errors: one line saying what was wrong, the hint, exit 2.
while IFS='|' read -r args what; do
    read -ra argv <<<"$args"
    say_run 2 "${argv[@]}"
    (($(wc -l <err) == 2)) || fail "$args: expected two lines, got: $(cat err)"
    grep -q "^sonti-say: .*$what" err || fail "$args: expected \"$what\", got: $(cat err)"
    grep -q "^Try 'sonti-say --" err || fail "$args: no usage hint in: $(cat err)"
done <<'CASES'
-x hi|Unknown option 'x'
-v nosuchvoice hi|unknown voice "nosuchvoice"
-v xx hi|no voice speaks language "xx"
-s fast hi|-s needs a speed
-p 100 hi|-p needs a pitch from 0 to 99
-a 201 hi|-a needs an amplitude from 0 to 200
--format 99 hi|unknown format "99"
-w a.wav --stdout hi|give one output
-f long.txt more words|either as words or with -f
CASES

say_run 0 --version
grep -q "^sonti-say [0-9.]* (eSpeak NG" out || fail "--version printed: $(cat out)"

# The voices of a language, one a line: position, id, language, description.
say_run 0 --list-voices de
[[ "$(cat out)" =~ ^[0-9]+$'\teSpeak-NG/gmw/de\tde\tGerman - eSpeak NG'$ ]] || fail "--list-voices de: $(cat out)"
german="$(cat out)"
say_run 0 --list-voices
grep -qxF "$german" out || fail "--list-voices de gave another position than the whole list: $german"
grep -q $'\tFlite/slt\ten-US\tEnglish (America) slt - Flite$' out || fail "no slt in the list"
# Position 0 speaks the locale's language.
LC_ALL=C.UTF-8 "$SONTI_SAY" --list-voices >c.list
[[ "$(head -1 c.list)" == $'0\teSpeak-NG/gmw/en-US\ten-US\tEnglish (America) - eSpeak NG' ]] ||
    fail "C locale starts on: $(head -1 c.list)"
LANG=de_DE.UTF-8 LC_ALL= LANGUAGE= "$SONTI_SAY" --list-voices >de.list
[[ "$(head -1 de.list)" == $'0\teSpeak-NG/gmw/de\tde\tGerman - eSpeak NG' ]] || fail "German locale starts on: $(head -1 de.list)"
say_run 0 --list-voices fr --json
[[ "$(jq -r '.[0].id' out)" == eSpeak-NG/roa/fr ]] || fail "--list-voices fr --json: $(cat out)"
[[ "$(jq -r 'map(.language) | join(" ")' out)" == "fr-FR fr-BE fr-CH" ]] || fail "French voices: $(cat out)"
say_run 1 --list-voices xx
expect_one_line 'no voice speaks language "xx"'
say_run 0 --list-voices
(($(wc -l <out) > 100)) || fail "--list-voices listed $(wc -l <out) voices"

# -w, -o, --stdout and -o - write the same kind of WAV; -f reads a file.
echo "$SENTENCE" >sentence.txt
say_run 0 -w w.wav "$SENTENCE"
say_run 0 -o o.wav -f sentence.txt
say_run 0 --stdout "$SENTENCE"
mv out stdout.wav
say_run 0 -o - -f sentence.txt
mv out dash.wav
for f in w.wav o.wav stdout.wav dash.wav; do
    [[ "$(soxi -t "$f")" == wav && "$(soxi -r "$f")" == 22050 ]] || fail "$f is no 22 kHz WAV"
done
normal="$(duration_of w.wav)"
awk -v a="$normal" -v b="$(duration_of o.wav)" 'BEGIN { exit !(a > 1.5 && b > a * 0.9 && b < a * 1.1) }' ||
    fail "-w gave $normal s, -o -f $(duration_of o.wav) s"
# A flite voice by its name, resampled from 16 kHz: about as long as espeak-ng's.
say_run 0 -v slt -w slt.wav "$SENTENCE"
[[ "$(soxi -r slt.wav)" == 22050 ]] || fail "slt.wav is no 22 kHz WAV"
awk -v a="$normal" -v b="$(duration_of slt.wav)" 'BEGIN { exit !(b > a * 0.6 && b < a * 1.6) }' ||
    fail "slt took $(duration_of slt.wav) s against espeak-ng's $normal s"

# -s, -p and -a as espeak-ng means them.
say_run 0 -s 350 -o fast.wav "$SENTENCE"
awk -v a="$normal" -v b="$(duration_of fast.wav)" 'BEGIN { exit !(b < a * 0.65) }' ||
    fail "-s 350 took $(duration_of fast.wav) s against $normal s at 175"
say_run 0 -a 0 -o mute.wav "$SENTENCE"
[[ "$(sox mute.wav -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')" == 0.000000 ]] || fail "-a 0 is not silent"
say_run 0 -a 40 -o quiet.wav "$SENTENCE"
loud="$(sox w.wav -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')"
quiet="$(sox quiet.wav -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')"
awk -v l="$loud" -v q="$quiet" 'BEGIN { exit !(q < l * 0.6) }' || fail "-a 40 RMS $quiet against $loud"
# A fresh process speaks the same text the same way: pitch 50 is the default.
say_run 0 -p 50 -o mid.wav "$SENTENCE"
cmp -s mid.wav w.wav || fail "-p 50 differs from the default pitch"
say_run 0 -p 0 -o low.wav "$SENTENCE"
cmp -s low.wav w.wav && fail "-p 0 sounds like the default pitch"

# -v picks the voice: German reads "sieben" differently from English.
say_run 0 -v en --events -o de-en.wav "sieben"
say_run 0 -v de -o de.wav "sieben"
cmp -s de.wav de-en.wav && fail "-v de and -v en sound the same"
# Without --events the engine skips its phoneme events: the sound is the same.
say_run 0 --events -o events.wav "$SENTENCE"
cmp -s events.wav w.wav || fail "--events changed the sound written"

# -m reads markup: a silence makes it longer, and its tags are not spoken.
say_run 0 -m -o markup.wav "<silence msec=\"2000\"/>$SENTENCE"
awk -v a="$normal" -v b="$(duration_of markup.wav)" 'BEGIN { exit !(b > a + 1.5) }' ||
    fail "-m with 2 s of silence took $(duration_of markup.wav) s"

# The container follows the name.
say_run 0 -o out.flac "$SENTENCE"
say_run 0 -o out.ogg "$SENTENCE"
[[ "$(soxi -t out.flac)" == flac && "$(soxi -t out.ogg)" == vorbis ]] || fail "FLAC or Ogg came out as something else"

# Events: ms beside sample, words with the text as written, in order.
text="Hello, wonderful   world! Café 2007."
say_run 0 --events -o /dev/null "$text"
jq -e -s 'all(has("ms") and has("sample"))' out >/dev/null || fail "an event without ms or sample: $(cat out)"
jq -e -s 'all(.ms == (.sample * 1000 / 22050 * 10 | round / 10))' out >/dev/null || fail "ms does not match sample"
jq -e -s '.[0].event == "start" and .[-1].event == "end"' out >/dev/null || fail "not from start to end"
jq -r -s --arg t "$text" 'map(select(.event == "word") | [.text, $t[.pos:.pos + .length]]) | .[] | @tsv' out \
    >words.tsv
awk -F'\t' '$1 != $2 { exit 1 }' words.tsv || fail "a word's text is not the text at its pos: $(cat words.tsv)"
[[ "$(cut -f1 words.tsv | head -3 | tr '\n' ' ')" == "Hello wonderful world " ]] || fail "words: $(cat words.tsv)"
jq -e -s 'group_by(.event) | all(map(.sample) as $s | $s == ($s | sort))' out >/dev/null ||
    fail "events of one kind out of order: $(cat out)"

# With --stdout the events go to standard error and the WAV is untouched.
"$SONTI_SAY" --events --stdout "$SENTENCE" >events.wav 2>events.txt
[[ "$(soxi -t events.wav)" == wav ]] || fail "--events spoiled the WAV on standard output"
grep -q '"event":"word"' events.txt || fail "no events on standard error"

# Standard input streams: the first piece is spoken before the input ends.
start_private_pulse a
mkfifo input
"$SONTI_SAY" --events <input >stream.txt 2>stream.err &
say=$!
exec 3>input
echo "First line." >&3
wait_for grep -q '"text":"First"' stream.txt || fail "nothing was spoken while standard input stayed open"
echo "Second line." >&3
exec 3>&-
wait "$say" || fail "sonti-say exited $? after standard input: $(cat stream.err)"
jq -e -s '[.[] | select(.event == "word") | .text] == ["First", "line", "Second", "line"]' stream.txt >/dev/null ||
    fail "words from standard input: $(cat stream.txt)"
# pos counts into the whole input.
[[ "$(jq -s -r 'map(select(.event == "word"))[2].pos' stream.txt)" == 12 ]] || fail "pos of Second: $(cat stream.txt)"

# Playing: every event is printed when heard, the status is 0.
say_run 0 --events -s 300 "$SENTENCE"
grep -q '"event":"end"' out || fail "playing printed no end"

echo "PASS"
