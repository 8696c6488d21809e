#!/usr/bin/env bash
# The real program under a display: the window comes up with its title, size
# and resting face; a second copy is refused and leaves the first alone;
# File > Exit ends the program.
source "$(dirname "$0")/lib.sh"

start_sonti
first=$SONTI_PID
win="$(wait_window '^TTS$')" || fail "no window titled TTS"
read -r width height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[1], a[2]}')
[[ "$width" == 381 ]] || fail "window is $width px wide, not 381"
((height > 462)) || fail "window is $height px high; the client area alone is 462"

sleep 0.3
import -window "$win" "$E2E_DIR/shot.png"
# The face lies in VisemePicture: frame at (3,8) + menu bar, picture at (8,16).
menu=$((height - 462))
face_x=$((3 + 8 + 2 + 40)) face_y=$((menu + 8 + 16 + 2 + 40))
[[ "$(pixel "$E2E_DIR/shot.png" "$face_x" "$face_y")" != 404040 ]] || fail "no face in the picture box"
[[ "$(count_colour "$E2E_DIR/shot.png" ff00ff)" == 0 ]] || fail "magenta shows in the window"

# A second copy shows its message and ends when it is closed; the first stays.
start_sonti
second=$SONTI_PID
box="$(wait_window '^Sonti$')" || fail "the second copy showed no message"
xdotool search --onlyvisible --name '^TTS$' | grep -qx "$win" || fail "the first window went away"
xdotool windowfocus --sync "$box" key Return
status="$(wait_gone "$second")" || fail "the second copy did not end"
[[ "$status" == 0 ]] || fail "the second copy ended with $status"
kill -0 "$first" || fail "the first copy ended"

# File > Exit by keyboard.
xdotool windowfocus --sync "$win" key alt+f
sleep 0.3
xdotool key x
status="$(wait_gone "$first")" || fail "File > Exit did not end the program"
[[ "$status" == 0 ]] || fail "the program ended with $status"

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
wait_gone "$a" >/dev/null || fail "a copy did not end"
wait_gone "$b" >/dev/null || fail "a copy did not end"
echo "PASS"
