#!/usr/bin/env bash
# The real program under a display: the window comes up with its title, size
# and resting face; a second copy is refused and leaves the first alone;
# File > Exit ends the program.
source "$(dirname "$0")/lib.sh"

start_sonti
first=$SONTI_PID
win="$(wait_window '^TTS$' "$first")" || fail "no window titled TTS"
read -r width height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[1], a[2]}')
[[ "$width" == 381 ]] || fail "window is $width px wide, not 381"
((height > 462)) || fail "window is $height px high; the client area alone is 462"

sleep 0.3
import -window "$win" "$E2E_DIR/shot.png"
menu=$((height - 462))
# The resting face: closed-eye arcs where the open eyes have their pupils.
[[ "$(pixel "$E2E_DIR/shot.png" $((FACE_X + 41)) $((menu + FACE_Y + 36)))" == 2c330b ]] || fail "the face does not rest with closed eyes"
[[ "$(pixel "$E2E_DIR/shot.png" $((FACE_X + 41)) $((menu + FACE_Y + 40)))" != 2d2620 ]] || fail "the resting face shows open eyes"
[[ "$(pixel "$E2E_DIR/shot.png" $((FACE_X + 1)) $((menu + FACE_Y + 1)))" == 404040 ]] || fail "the picture box is not dark grey around the face"
[[ "$(count_colour "$E2E_DIR/shot.png" ff00ff)" == 0 ]] || fail "magenta shows in the window"
# Before any speech the meter is plain black.
convert "$E2E_DIR/shot.png" -crop 65x46+$METER_X+$((menu + METER_Y)) +repage "$E2E_DIR/meter.png"
[[ "$(convert "$E2E_DIR/meter.png" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)" == 0 ]] || fail "the meter is not plain black"

# A second copy shows its message and ends when it is closed; the first stays.
start_sonti
second=$SONTI_PID
box="$(wait_window '^Sonti$' "$second")" || fail "the second copy showed no message"
xdotool search --onlyvisible --name '^TTS$' | grep -qx "$win" || fail "the first window went away"
xdotool windowfocus --sync "$box" key Return
wait_gone "$second" || fail "the second copy did not end"
((EXIT_STATUS == 0)) || fail "the second copy ended with $EXIT_STATUS"
kill -0 "$first" || fail "the first copy ended"

# File > Exit by keyboard.
SONTI_PID=$first
exit_by_menu "$win"

# Two copies started at the same moment: one window, one refusal.
start_sonti
a=$SONTI_PID
start_sonti
b=$SONTI_PID
win="$(wait_window '^TTS$')" || fail "neither of two copies started together showed the window"
box="$(wait_window '^Sonti$')" || fail "neither of two copies started together was refused"
sleep 0.5
[[ "$(xdotool search --onlyvisible --name '^TTS$' | wc -l)" == 1 ]] || fail "two windows"
xdotool windowfocus --sync "$box" key Return
xdotool windowfocus --sync "$win" key alt+f
sleep 0.3
xdotool key x
wait_gone "$a" || fail "a copy did not end"
wait_gone "$b" || fail "a copy did not end"
expect_silence
echo "PASS"
