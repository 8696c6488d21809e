#!/usr/bin/env bash
# TTS.ini on a full disk, with the real program in a small tmpfs of its own:
# exiting says the settings could not be saved and leaves the old file byte
# for byte. With room again, files opened are in TTS.ini at once, so a copy
# that is killed keeps them.
if [[ -z "${E2E_PRIVATE_MOUNTS:-}" ]]; then
    # Mounts made here vanish with this script, whatever happens to it.
    if ! unshare -m --propagation private true 2>/dev/null; then
        echo "SKIP: cannot mount a tmpfs here (needs CAP_SYS_ADMIN)"
        exit 77
    fi
    E2E_PRIVATE_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"

program="$E2E_DIR/program"
mkdir "$program"
mount -t tmpfs -o "size=$(($(stat -c %s "$E2E_DIR/sonti") + 256 * 1024))" tmpfs "$program"
trap 'umount -l "$program"; e2e_cleanup' EXIT
cp "$E2E_DIR/sonti" "$program/sonti"
ini="$program/TTS.ini"
a="$E2E_DIR/a.txt" b="$E2E_DIR/b.txt"
echo "first" >"$a"
echo "second" >"$b"

start_program() {
    "$program/sonti" >>"$E2E_DIR/sonti.log" 2>&1 &
    SONTI_PID=$!
    E2E_PIDS+=("$SONTI_PID")
}

printf '[General]\nLeft=1500\nTop=1500\n[Voice]\nSpeaker=0\nFormat=2\nXML=1\n[Menu]\nStyle=0\n[Files]\nCount=2\n1=/old/one.txt\n2=/old/two.txt\n' >"$ini"
cp "$ini" "$E2E_DIR/before.ini"
dd if=/dev/zero of="$program/filler" bs=4096 2>/dev/null || true

start_program
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window on a full disk"
open_by_dialog "$win" "$a"
wait_title "$win" "TTS - a.txt" || fail "$a did not open"
file_menu "$win" x
box="$(wait_window '^Sonti$' "$SONTI_PID")" || fail "no message that the settings were not saved"
xdotool windowfocus --sync "$box" key Return
wait_gone "$SONTI_PID" || fail "the program did not end after the message"
[[ "$EXIT_STATUS" == 0 ]] || fail "the program ended with $EXIT_STATUS"
cmp -s "$ini" "$E2E_DIR/before.ini" || fail "TTS.ini changed on a full disk: $(cat "$ini")"
[[ "$(LC_ALL=C ls -A "$program")" == $'TTS.ini\nfiller\nsonti' ]] || fail "files left behind: $(LC_ALL=C ls -A "$program")"

rm "$program/filler"
start_program
win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "no window with room on the disk"
open_by_dialog "$win" "$a"
wait_title "$win" "TTS - a.txt" || fail "$a did not open"
open_by_dialog "$win" "$b"
wait_title "$win" "TTS - b.txt" || fail "$b did not open"
kill -KILL "$SONTI_PID"
wait_gone "$SONTI_PID" || fail "the program outlived SIGKILL"
for line in Count=4 "1=$b" "2=$a" "3=/old/one.txt" "4=/old/two.txt"; do
    grep -qxF "$line" "$ini" || fail "TTS.ini lacks '$line' after a kill: $(cat "$ini")"
done
expect_silence
echo "PASS"
