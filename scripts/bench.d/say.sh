# sonti-say against espeak-ng at espeak-ng's own jobs: a text to WAV (each
# program's default voice, and both with American English), launch to first
# sound, the process's start and exit (--version) with the shared libraries
# it loads, and peak memory while speaking a 10 MB text.

# runs_ms COMMAND...: milliseconds one run takes, as the mean of 20 in a row
# (one run is too short for bench_ms's whole milliseconds).
runs_ms() {
    local s e
    s=$(date +%s%N)
    for _ in {1..20}; do "$@" >/dev/null 2>&1 || true; done
    e=$(date +%s%N)
    awk -v ns=$((e - s)) 'BEGIN { printf "%.2f", ns / 20 / 1e6 }'
}

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
    # espeak-ng's default voice is British English, sonti-say's (for the C
    # locale) American: the same voice on both sides as well.
    local us_times=()
    for _ in 1 2 3 4 5; do
        us_times+=("$(bench_ms espeak-ng -v en-us -w "$WORK/espeak.wav" -f "$TEXT")")
    done
    local us_ms
    us_ms=$(bench_median "${us_times[@]}")

    sonti_log "launch to first sound: sonti-say against espeak-ng ($ROUNDS rounds, alternating)"
    local first a=() b=()
    first=$("$BUILD/bench/sonti-first-sound" "$ROUNDS" "$SAY" "Hello world" -- espeak-ng "Hello world")
    mapfile -t a < <(awk '$1 == "A" && $2 >= 0 { print $2 }' <<<"$first")
    mapfile -t b < <(awk '$1 == "B" && $2 >= 0 { print $2 }' <<<"$first")

    sonti_log "--version: sonti-say against espeak-ng ($ROUNDS rounds of 20 runs, alternating)"
    local i version_a=() version_b=()
    for ((i = 0; i < ROUNDS; i++)); do
        version_a+=("$(runs_ms "$SAY" --version)")
        version_b+=("$(runs_ms espeak-ng --version)")
    done
    local libs_say libs_espeak
    libs_say=$(ldd "$SAY" | wc -l)
    libs_espeak=$(ldd "$(command -v espeak-ng)" | wc -l)

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
        echo "| the same, floor espeak-ng -v en-us -w (sonti-say's voice), ms | $(bench_stats "${say_times[@]}") | $(bench_stats "${us_times[@]}") | $(bench_ratio "$us_ms" "$say_ms")× the speed | — |"
        echo "| \`sonti-say \"Hello world\"\` launch to first sound; floor: espeak-ng's, ms | $(bench_stats "${a[@]}") | $(bench_stats "${b[@]}") | $(bench_ratio "$(bench_median "${a[@]}")" "$(bench_median "${b[@]}")")× | ≤ 1.0× |"
        echo "| \`sonti-say --version\` (start and exit); floor: \`espeak-ng --version\`, ms | $(bench_stats "${version_a[@]}") | $(bench_stats "${version_b[@]}") | $(bench_ratio "$(bench_median "${version_a[@]}")" "$(bench_median "${version_b[@]}")")× | — |"
        echo "| Shared libraries at start (ldd) | $libs_say | $libs_espeak | — | — |"
        echo "| Peak memory (VmHWM) speaking a ${text_mb} MB text; a short text | $((big_kb / 1024)) MB; $((base_kb / 1024)) MB | — | — | — |"
    } | bench_append
}
