# Launch to the window shown: Sonti against two floors, a bare Qt window and
# the least any program with a splash can do (sonti-floor-window --splash: a
# frameless window of the splash's size shown and painted, then a plain
# window of Sonti's size); and `sonti BIG.txt` (10 MB) against a bare
# QPlainTextEdit holding the same file. "Shown" is the end of the window's
# first paint (for Sonti's document: the text box's first paint holding it),
# which the programs log on the sonti.timing category with their start-up's
# milestones; the launch time is taken here, so all read the same clock.
# The programs run as in a desktop session: on a private D-Bus session bus
# (without one, Qt's accessibility bridge has libdbus try to start a bus, a
# fork of the program and a search for dbus-launch along PATH) and with
# their runtime folder on a tmpfs, as /run/user/UID is (Sonti's
# single-instance lock is written there and synced, which on the test
# environment's folder under /tmp is a disk write). The lock a killed round
# leaves is removed, as a user's start finds none.

# bench_marks COMMAND...: launches with the timing log on, waits for the
# first "shown" report and prints the milestones reported until then as
# "name=ms" (ms from the launch, one decimal); the program is then ended.
bench_marks() {
    local log="$WORK/marks.log" start pid i
    : >"$log"
    start=$(date +%s%N)
    QT_LOGGING_RULES="sonti.timing.debug=true" "$@" 2>"$log" >/dev/null &
    pid=$!
    for ((i = 0; i < 3000; i++)); do
        grep -q '^sonti.timing: shown ' "$log" && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    grep -q '^sonti.timing: shown ' "$log" || { echo "no 'shown' report from $1" >&2; return 1; }
    awk -v s="$start" '$1 == "sonti.timing:" && $2 != "stall" && !seen[$2]++ {
        printf "%s%s=%.1f", sep, $2, ($3 - s) / 1e6; sep = " " } END { print "" }' "$log"
}

# bench_shown_ms WHAT COMMAND...: milliseconds from launch to the first
# "WHAT" report; the program is then ended.
bench_shown_ms() {
    local what="$1"
    shift
    local log="$WORK/shown.log" start pid shown=""
    : >"$log"
    start=$(date +%s%N)
    QT_LOGGING_RULES="sonti.timing.debug=true" "$@" 2>"$log" >/dev/null &
    pid=$!
    for _ in $(seq 3000); do
        shown=$(awk -v w="$what" '$2 == w { print $3; exit }' "$log")
        [[ -n $shown ]] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [[ -n $shown ]] || { echo "no '$what' report from $1" >&2; return 1; }
    echo $(((shown - start) / 1000000))
}

# bench_mark NAME RUN...: that milestone's value in each run's marks, runs
# without it left out.
bench_mark() {
    local name="$1" run
    shift
    for run in "$@"; do
        printf '%s\n' "$run" | tr ' ' '\n' | awk -F= -v n="$name" '$1 == n { print $2 }'
    done
}

# bench_mark_stats NAME RUN...: "median (min–max)" of that milestone, or —.
bench_mark_stats() {
    local values
    mapfile -t values < <(bench_mark "$@")
    ((${#values[@]} > 0)) || { echo "—"; return; }
    bench_stats "${values[@]}"
}

bench_launch() {
    local sonti=("$BUILD/src/startup/sonti")
    local floor="$BUILD/bench/sonti-floor-window"
    while (($(stat -c %s "$WORK/big.txt" 2>/dev/null || echo 0) < 10485760)); do cat "$TEXT" >>"$WORK/big.txt"; done

    local bus="" bus_pid=""
    if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]] && command -v dbus-daemon >/dev/null; then
        bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)"
        bus_pid="${bus##*$'\n'}"
        export DBUS_SESSION_BUS_ADDRESS="${bus%%$'\n'*}"
    fi
    local where="on a private session bus"
    [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] || where="without a session bus"
    local runtime="" saved_runtime="${XDG_RUNTIME_DIR:-}"
    if [[ $(stat -f -c %T /dev/shm 2>/dev/null) == tmpfs ]]; then
        runtime="$(mktemp -d /dev/shm/sonti-bench.XXXXXX)"
        export XDG_RUNTIME_DIR="$runtime"
        where+=", runtime folder on a tmpfs"
    fi

    sonti_log "launch to window shown ($ROUNDS rounds, alternating with the two floors, $where)"
    local s=() f=() f2=() bs=() bf=() run
    for _ in $(seq "$ROUNDS"); do
        run="$(bench_marks "${sonti[@]}")" && s+=("$run")
        rm -f "$XDG_RUNTIME_DIR"/sonti-*.lock
        run="$(bench_marks "$floor")" && f+=("$run")
        run="$(bench_marks "$floor" --splash)" && f2+=("$run")
    done
    sonti_log "a 10 MB file opened at launch ($ROUNDS rounds, alternating with the floor)"
    for _ in $(seq "$ROUNDS"); do
        bs+=("$(bench_shown_ms document "${sonti[@]}" "$WORK/big.txt")")
        rm -f "$XDG_RUNTIME_DIR"/sonti-*.lock
        bf+=("$(bench_shown_ms shown "$floor" "$WORK/big.txt")")
    done
    if [[ -n $bus_pid ]]; then
        kill "$bus_pid" 2>/dev/null || true
        unset DBUS_SESSION_BUS_ADDRESS
    fi
    if [[ -n $runtime ]]; then
        rm -rf "$runtime"
        export XDG_RUNTIME_DIR="$saved_runtime"
    fi

    local shown s_shown f_shown f2_shown
    mapfile -t s_shown < <(bench_mark shown "${s[@]}")
    mapfile -t f_shown < <(bench_mark shown "${f[@]}")
    mapfile -t f2_shown < <(bench_mark shown "${f2[@]}")
    shown="$(bench_median "${s_shown[@]}")"
    {
        echo
        echo "## Launch: $(bench_machine), $where, load average $(cut -d' ' -f1-3 /proc/loadavg)"
        echo
        echo "| Figure, ms: median (min–max) of $ROUNDS | Sonti | Floor | Ratio | Budget |"
        echo "|---|---|---|---|---|"
        echo "| Launch to window shown; floor: a bare Qt window | $(bench_stats "${s_shown[@]}") | $(bench_stats "${f_shown[@]}") | $(bench_ratio "$shown" "$(bench_median "${f_shown[@]}")")× | ≤ 1.15× |"
        echo "| The same; floor: a splash painted, then a bare window of Sonti's size | $(bench_stats "${s_shown[@]}") | $(bench_stats "${f2_shown[@]}") | $(bench_ratio "$shown" "$(bench_median "${f2_shown[@]}")")× | — |"
        echo "| \`sonti BIG.txt\` (10 MB) shown; floor: a bare QPlainTextEdit loading it | $(bench_stats "${bs[@]}") | $(bench_stats "${bf[@]}") | $(bench_ratio "$(bench_median "${bs[@]}")" "$(bench_median "${bf[@]}")")× | ≤ 1.2× |"
        echo
        echo "Milestones, ms from the launch: median (min–max), same rounds."
        echo
        echo "| Milestone | Sonti | Splash and window floor | Bare window floor |"
        echo "|---|---|---|---|"
        local mark label
        for mark in main application splash window loaded shown; do
            case $mark in
            main) label="\`main()\` entered: process and libraries loaded" ;;
            application) label="QApplication made (display connected, platform plugin)" ;;
            splash) label="Splash shown and painted (one \`processEvents()\`)" ;;
            window) label="Main window built" ;;
            loaded) label="Load done, \`show()\` returned" ;;
            shown) label="Main window's first paint" ;;
            esac
            echo "| $label | $(bench_mark_stats "$mark" "${s[@]}") | $(bench_mark_stats "$mark" "${f2[@]}") | $(bench_mark_stats "$mark" "${f[@]}") |"
        done
    } | bench_append
}
