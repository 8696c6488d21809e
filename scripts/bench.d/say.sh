# sonti-say against espeak-ng at espeak-ng's own jobs: a text to WAV, and
# peak memory while speaking a 10 MB text.

bench_say() {
    sonti_log "sonti-say -o against espeak-ng -w on GPL-3 (5 rounds, interleaved)"
    local say_times=() espeak_times=()
    for _ in 1 2 3 4 5; do
        say_times+=("$(bench_ms "$SAY" --format 22 -o "$WORK/say.wav" -f "$TEXT")")
        espeak_times+=("$(bench_ms espeak-ng -w "$WORK/espeak.wav" -f "$TEXT")")
    done
    local say_ms espeak_ms
    say_ms=$(bench_median "${say_times[@]}")
    espeak_ms=$(bench_median "${espeak_times[@]}")

    sonti_log "peak memory while speaking a 10 MB text"
    while (($(stat -c %s "$WORK/big.txt" 2>/dev/null || echo 0) < 10485760)); do cat "$TEXT" >>"$WORK/big.txt"; done
    local text_mb
    text_mb=$(awk -v b="$(stat -c %s "$WORK/big.txt")" 'BEGIN { printf "%.1f", b / 1048576 }')
    peak_kb() {
        "$SAY" "$@" >/dev/null 2>&1 &
        local pid=$!
        sleep 5
        local kb
        kb=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "$kb"
    }
    local base_kb big_kb
    base_kb=$(peak_kb "$(head -c 2000 "$TEXT")")
    big_kb=$(peak_kb -f "$WORK/big.txt")
    {
        echo
        echo "## sonti-say: $(bench_machine)"
        echo
        echo "| Figure | Sonti | Floor | Ratio | Budget |"
        echo "|---|---|---|---|---|"
        echo "| sonti-say -o (format 22) against espeak-ng -w, GPL-3, ms | $(bench_stats "${say_times[@]}") | $(bench_stats "${espeak_times[@]}") | $(bench_ratio "$espeak_ms" "$say_ms")× the speed | ≥ 1.0× |"
        echo "| Peak memory (VmHWM) speaking a ${text_mb} MB text; a short text | $((big_kb / 1024)) MB; $((base_kb / 1024)) MB | — | — | — |"
    } | bench_append
}
