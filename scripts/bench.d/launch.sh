# Launch to the window shown: Sonti against a bare Qt window (the floor),
# and `sonti BIG.txt` (10 MB) against a bare QPlainTextEdit holding the same
# file. "Shown" is the end of the window's first paint (for Sonti's document:
# the text box's first paint holding it), which both programs log on the
# sonti.timing category; the launch time is taken here, so both read the
# same clock.

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

bench_launch() {
    local sonti=("$BUILD/src/startup/sonti")
    local floor="$BUILD/bench/sonti-floor-window"
    while (($(stat -c %s "$WORK/big.txt" 2>/dev/null || echo 0) < 10485760)); do cat "$TEXT" >>"$WORK/big.txt"; done

    sonti_log "launch to window shown ($ROUNDS rounds, alternating with the floor)"
    local s=() f=() bs=() bf=()
    for _ in $(seq "$ROUNDS"); do
        s+=("$(bench_shown_ms shown "${sonti[@]}")")
        f+=("$(bench_shown_ms shown "$floor")")
    done
    sonti_log "a 10 MB file opened at launch ($ROUNDS rounds, alternating with the floor)"
    for _ in $(seq "$ROUNDS"); do
        bs+=("$(bench_shown_ms document "${sonti[@]}" "$WORK/big.txt")")
        bf+=("$(bench_shown_ms shown "$floor" "$WORK/big.txt")")
    done
    {
        echo
        echo "## Launch: $(bench_machine)"
        echo
        echo "| Figure, ms: median (min–max) of $ROUNDS | Sonti | Floor | Ratio | Budget |"
        echo "|---|---|---|---|---|"
        echo "| Launch to window shown; floor: a bare Qt window | $(bench_stats "${s[@]}") | $(bench_stats "${f[@]}") | $(bench_ratio "$(bench_median "${s[@]}")" "$(bench_median "${f[@]}")")× | ≤ 1.15× |"
        echo "| \`sonti BIG.txt\` (10 MB) shown; floor: a bare QPlainTextEdit loading it | $(bench_stats "${bs[@]}") | $(bench_stats "${bf[@]}") | $(bench_ratio "$(bench_median "${bs[@]}")" "$(bench_median "${bf[@]}")")× | ≤ 1.2× |"
    } | bench_append
}
