# Word timing under load: word events (sonti-speech-bench --words) against
# their sample heard, in a steady process and on the first Speak of a
# process (with the output prepared as the programs do, and without), each
# quiet and with two busy loops competing for the cores.
# SONTI_BENCH_FIRST: how many processes give their first Speak (default 6).

bench_words() {
    local case runs load first="${SONTI_BENCH_FIRST:-6}"
    load="$(cut -d' ' -f1-3 /proc/loadavg)"
    # "word ROUND ERROR" lines: count, median, p95, earliest; "lag ROUND MS":
    # the recorder's worst lag, which a recorder dating samples by the time
    # it read them would have taken for early events.
    summary() {
        awk '$1 == "word" { print $3 }' "$1" | sort -n | awk '
            { v[NR] = $1 } END { if (NR == 0) { print "no words heard"; exit }
              printf "%d words | %.1f ms | %.1f ms | %.1f ms", NR, v[int((NR + 1) / 2)], v[int(NR * 0.95 + 0.999)], v[1] }'
        awk '$1 == "gap" { g++ } END { printf " | %d", g }' "$1"
        awk '$1 == "lag" && $3 > m { m = $3 } END { printf " | %.0f ms", m }' "$1"
    }
    busy=()
    for case in quiet loaded; do
        if [[ $case == loaded ]]; then
            for _ in 1 2; do
                (while :; do :; done) &
                busy+=($!)
            done
        fi
        sonti_log "word timing, $case: $ROUNDS sentences in one process"
        "$BENCH" --words "$ROUNDS" >"$WORK/words-$case-steady"
        sonti_log "word timing, $case: the first Speak of $first processes, and of $first that do not prepare the output"
        : >"$WORK/words-$case-first"
        : >"$WORK/words-$case-cold"
        for ((runs = 0; runs < first; runs++)); do
            "$BENCH" --words 1 >>"$WORK/words-$case-first"
            "$BENCH" --words 1 --cold >>"$WORK/words-$case-cold"
        done
    done
    for pid in "${busy[@]}"; do kill "$pid"; done
    wait "${busy[@]}" 2>/dev/null || true
    {
        echo
        echo "## Word timing under load: $(bench_machine)"
        echo
        echo "Word event delivered against its first sample heard in the null sink's monitor, dated by the sink's clock (positive: late)."
        echo "Words after the stream ran dry are left out: the gap moves the sound, which the monitor cannot date."
        echo "Load average at the start: $load."
        echo
        echo "| Case | Events | Median | p95 | Earliest | Words after a gap | Recorder's worst lag |"
        echo "|---|---|---|---|---|---|---|"
        echo "| quiet, $ROUNDS sentences | $(summary "$WORK/words-quiet-steady") |"
        echo "| quiet, first Speak of a process ($first) | $(summary "$WORK/words-quiet-first") |"
        echo "| quiet, first Speak, output not prepared ($first) | $(summary "$WORK/words-quiet-cold") |"
        echo "| two busy loops, $ROUNDS sentences | $(summary "$WORK/words-loaded-steady") |"
        echo "| two busy loops, first Speak of a process ($first) | $(summary "$WORK/words-loaded-first") |"
        echo "| two busy loops, first Speak, output not prepared ($first) | $(summary "$WORK/words-loaded-cold") |"
    } | bench_append
}
