#!/usr/bin/env bash
# Settings across runs of the real program: choose a voice and a format with
# the keyboard, uncheck "Process XML", open two files, exit; TTS.ini in the
# program's folder holds them, and the next start shows the same choices and
# writes the same file again when it exits untouched.
source "$(dirname "$0")/lib.sh"

a="$E2E_DIR/a.txt" b="$E2E_DIR/b.txt"
echo "first" >"$a"
echo "second" >"$b"

# controls <window> <png>: the voice list, the format list and the XML box.
controls() {
    import -window "$1" "$E2E_DIR/shot.png"
    convert "$E2E_DIR/shot.png" -crop "185x81+187+$((menu + 24))" +repage "$2"
}

# wait_controls_change <window> <png>: polls until the controls look different.
wait_controls_change() {
    local i
    for ((i = 0; i < 100; i++)); do
        controls "$1" "$E2E_DIR/now.png"
        [[ "$(compare -metric AE "$E2E_DIR/now.png" "$2" null: 2>&1 || true)" != 0 ]] && return 0
        sleep 0.02
    done
    return 1
}

start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window titled TTS"
read -r height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[2]}')
menu=$((height - 462))
controls "$win" "$E2E_DIR/defaults.png"

# From the text box, Tab reaches Speak, then the voice list (Pause and Stop
# are disabled), then the format list.
xdotool mousemove --window "$win" 100 $((menu + 300)) click 1
xdotool key --delay 20 Tab Tab Down Down Tab Down alt+l
# Back into the text box, so no control shows the focus.
xdotool mousemove --window "$win" 100 $((menu + 300)) click 1
wait_controls_change "$win" "$E2E_DIR/defaults.png" || fail "the choices did not show"
sleep 0.1
controls "$win" "$E2E_DIR/chosen.png"
open_by_dialog "$win" "$a"
wait_title "$win" "TTS - a.txt" || fail "$a did not open"
open_by_dialog "$win" "$b"
wait_title "$win" "TTS - b.txt" || fail "$b did not open"
exit_by_menu "$win"

ini="$E2E_DIR/TTS.ini"
[[ -f "$ini" ]] || fail "no TTS.ini in the program's folder"
for line in Speaker=2 Format=3 XML=0 Count=2 "1=$b" "2=$a"; do
    grep -qxF "$line" "$ini" || fail "TTS.ini lacks '$line': $(cat "$ini")"
done
cp "$ini" "$E2E_DIR/first.ini"

start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window at the second start"
sleep 0.2
controls "$win" "$E2E_DIR/restored.png"
cp "$E2E_DIR/restored.png" "$E2E_SHOTS/settings-restored.png" 2>/dev/null || true
differ="$(compare -metric AE "$E2E_DIR/restored.png" "$E2E_DIR/chosen.png" null: 2>&1 || true)"
[[ "$differ" == 0 ]] || fail "voice, format and XML box look different after the restart ($differ pixels)"
exit_by_menu "$win"
cmp -s "$ini" "$E2E_DIR/first.ini" || fail "the second run changed TTS.ini: $(diff "$E2E_DIR/first.ini" "$ini")"
echo "PASS"
