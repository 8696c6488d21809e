#!/usr/bin/env bash
# The single-instance lock when it cannot be made: a folder or a named pipe at
# its path, or a read-only runtime folder. The real program starts each time,
# with no "I'm Already Running!", and ends by File > Exit.
source "$(dirname "$0")/lib.sh"

lock="$XDG_RUNTIME_DIR/sonti-$(id -u).lock"

# starts_alone <what>: the copy just started shows its window and no message.
starts_alone() {
    local win
    win="$(wait_window '^TTS$' "$SONTI_PID")" || fail "$1: no window"
    [[ -z "$(xdotool search --onlyvisible --all --pid "$SONTI_PID" --name '^Sonti$' 2>/dev/null)" ]] || fail "$1: a message box came up"
    exit_by_menu "$win"
}

mkdir "$lock"
start_sonti
starts_alone "folder at the lock path"
[[ -d "$lock" ]] || fail "the folder at the lock path was touched"
rmdir "$lock"

mkfifo "$lock"
start_sonti
starts_alone "named pipe at the lock path"
[[ -p "$lock" ]] || fail "the pipe at the lock path was touched"
rm "$lock"

# A read-only runtime folder: a tmpfs mounted for that copy alone.
if unshare -m --propagation private true 2>/dev/null; then
    readonly_runtime="$E2E_DIR/read-only runtime"
    mkdir -m 700 "$readonly_runtime"
    XDG_RUNTIME_DIR="$readonly_runtime" unshare -m --propagation private \
        sh -c 'mount -t tmpfs -o ro,mode=700,size=16k tmpfs "$XDG_RUNTIME_DIR" && exec "$0"' "$E2E_DIR/sonti" \
        >>"$E2E_DIR/sonti.log" 2>&1 &
    SONTI_PID=$!
    E2E_PIDS+=("$SONTI_PID")
    starts_alone "read-only runtime folder"
else
    echo "note: no read-only runtime folder tried (mounting needs CAP_SYS_ADMIN)"
fi

# The guard still works once the path is usable again.
start_sonti
first=$SONTI_PID
win="$(wait_window '^TTS$' "$first")" || fail "no window with a usable lock path"
start_sonti
box="$(wait_window '^Sonti$' "$SONTI_PID")" || fail "a second copy was not refused"
xdotool windowfocus --sync "$box" key Return
wait_gone "$SONTI_PID" || fail "the refused copy did not end"
SONTI_PID=$first
exit_by_menu "$win"
expect_silence
echo "PASS"
