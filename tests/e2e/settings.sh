#!/usr/bin/env bash
# Settings across runs of the real program: choose a voice and a format with
# the keyboard, uncheck "Process XML", open two files, exit; TTS.ini in the
# program's folder holds them, and the next start shows the same choices and
# writes the same file again when it exits untouched.
source "$(dirname "$0")/lib.sh"

# Xvfb resets when its last client leaves and refuses connections while it
# does (it did after the check above, and would between our two starts):
# one client kept connected for the whole run holds it up.
for ((i = 0; i < 100; i++)); do
    xprop -root -spy _SONTI_KEEP >/dev/null 2>&1 &
    keeper=$!
    sleep 0.02
    kill -0 "$keeper" 2>/dev/null && xdpyinfo >/dev/null 2>&1 && break
    kill "$keeper" 2>/dev/null || true
done
E2E_PIDS+=("$keeper")

a="$E2E_DIR/a.txt" b="$E2E_DIR/b.txt"
echo "first" >"$a"
echo "second" >"$b"

wait_title() {
    local i
    for ((i = 0; i < 250; i++)); do
        [[ "$(xdotool getwindowname "$1" 2>/dev/null)" == "$2" ]] && return 0
        sleep 0.02
    done
    return 1
}

file_menu() {
    local before i
    before="$(xdotool search --onlyvisible --pid "$SONTI_PID" | wc -l)"
    timeout 5 xdotool windowfocus --sync "$1" key alt+f
    for ((i = 0; i < 150; i++)); do
        (($(xdotool search --onlyvisible --pid "$SONTI_PID" | wc -l) > before)) && break
        sleep 0.02
    done
    xdotool key "$2"
}

open_by_dialog() {
    local dialog
    file_menu "$1" o
    dialog="$(wait_window '^Open$' "$SONTI_PID")" || fail "File > Open showed no dialog"
    timeout 5 xdotool windowfocus --sync "$dialog" type --delay 2 "$2"
    xdotool key Return
    wait_title "$1" "TTS - ${2##*/}" || fail "$2 did not open"
}

exit_by_menu() {
    file_menu "$1" x
    wait_gone "$SONTI_PID" || fail "File > Exit did not end the program"
    [[ "$EXIT_STATUS" == 0 ]] || fail "the program ended with $EXIT_STATUS"
}

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
open_by_dialog "$win" "$b"
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
cp "$E2E_DIR/restored.png" "${SONTI_E2E_SHOTS:-$E2E_DIR}/settings-restored.png" 2>/dev/null || true
differ="$(compare -metric AE "$E2E_DIR/restored.png" "$E2E_DIR/chosen.png" null: 2>&1 || true)"
[[ "$differ" == 0 ]] || fail "voice, format and XML box look different after the restart ($differ pixels)"
exit_by_menu "$win"
cmp -s "$ini" "$E2E_DIR/first.ini" || fail "the second run changed TTS.ini: $(diff "$E2E_DIR/first.ini" "$ini")"
echo "PASS"
