#!/usr/bin/env bash
# Opening documents in the real program: File > Open by keyboard with a full
# path typed into the dialog fills the text box (line breaks kept) and names
# the file in the title; the recent-files items reopen files, also after a
# restart, through TTS.ini in the program's folder.
source "$(dirname "$0")/lib.sh"

mkdir -p "$E2E_DIR/my docs"
first="$E2E_DIR/my docs/read me.txt"
second="$E2E_DIR/my docs/R&D notes.txt"
printf 'Hello from a file\r\nwith a second line\r\nand a third\r\n' >"$first"
printf 'Notes\r\n' >"$second"

# text_height <window> <menu bar height>: height in pixels of what is
# written in the text box (inside its border, left of its scroll bar).
text_height() {
    import -window "$1" "$E2E_DIR/shot.png"
    convert "$E2E_DIR/shot.png" -crop "340x250+6+$(($2 + 195))" +repage -fuzz 20% -trim -format '%h' info:
}


start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window titled TTS"
read -r height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, a, "x"); print a[2]}')
menu=$((height - 462))
one_line="$(text_height "$win" "$menu")"

open_by_dialog "$win" "$first"
wait_title "$win" "TTS - read me.txt" || fail "the title is '$(xdotool getwindowname "$win")' after opening"
three_lines="$(text_height "$win" "$menu")"
((three_lines > 2 * one_line)) || fail "the text is $three_lines px high, one line was $one_line: line breaks lost"

# The second file pushes the first to item 2, which reopens it.
open_by_dialog "$win" "$second"
wait_title "$win" "TTS - R&D notes.txt" || fail "the second file did not open"
file_menu "$win" 2
wait_title "$win" "TTS - read me.txt" || fail "recent item 2 did not reopen the first file"
exit_by_menu "$win"

ini="$E2E_DIR/TTS.ini"
[[ -f "$ini" ]] || fail "no TTS.ini in the program's folder"
grep -qxF "Count=2" "$ini" || fail "TTS.ini does not hold two recent files: $(cat "$ini")"
grep -qxF "1=$first" "$ini" || fail "TTS.ini does not name the first file as item 1: $(cat "$ini")"
grep -qxF "2=$second" "$ini" || fail "TTS.ini does not name the second file as item 2: $(cat "$ini")"

# Next time the menu still holds both.
start_sonti
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window at the second start"
file_menu "$win" 2
wait_title "$win" "TTS - R&D notes.txt" || fail "restored recent item 2 did not open"
exit_by_menu "$win"

# A file named on the command line, relative to where sonti starts, opens
# as File > Open would and becomes the first recent file.
pushd "$E2E_DIR/my docs" >/dev/null
start_sonti "read me.txt"
popd >/dev/null
win="$(wait_window '^TTS - read me.txt$' "$SONTI_PID")" || fail "sonti FILE did not open FILE"
exit_by_menu "$win"
grep -qxF "1=$first" "$E2E_DIR/TTS.ini" || fail "sonti FILE did not make FILE the first recent file: $(cat "$E2E_DIR/TTS.ini")"

# One that cannot be read is reported over the window, which keeps its text.
start_sonti "$E2E_DIR/no such file.txt"
box="$(wait_window '^Sonti$' "$SONTI_PID")" || fail "sonti with a missing FILE showed no message"
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "sonti with a missing FILE showed no window"
timeout 5 xdotool windowfocus --sync "$box" key Return
exit_by_menu "$win"
echo "PASS"
