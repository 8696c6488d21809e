# The speech path in one process (sonti-speech-bench): Speak to the first
# audio handed to the sink and to the first sound in the monitor, word events
# against their sample heard, flite's first audio and each engine's synthesis
# speed.

bench_speech() {
    sonti_log "speech path ($ROUNDS rounds)"
    "$BENCH" "$TEXT" "$ROUNDS" | tee "$WORK/latency"
    figure() { awk -v k="$1" '$1 == k { print $2 }' "$WORK/latency"; }
    {
        echo
        echo "## Speech path: $(bench_machine)"
        echo
        echo "| Figure | Value | Budget |"
        echo "|---|---|---|"
        echo "| Speak → first audio handed to the sink, one sentence (median of $ROUNDS) | $(figure speak_to_first_write_sentence_ms) ms | 5 ms |"
        echo "| Speak → first audio handed to the sink, GPL-3 (median of $ROUNDS) | $(figure speak_to_first_write_long_ms) ms | 5 ms |"
        echo "| Speak → first sound in the null sink's monitor (median; p95) | $(figure speak_to_first_sound_ms) ms; $(figure speak_to_first_sound_p95_ms) ms | 20 ms median |"
        echo "| Word event against its sample heard, $(figure word_events) words (median; p95) | $(figure word_error_median_ms) ms; $(figure word_error_p95_ms) ms | 10 ms p95 |"
        echo "| flite slt: Speak → first audio handed to the sink, one sentence; GPL-3 (median of $ROUNDS) | $(figure flite_slt_first_write_sentence_ms) ms; $(figure flite_slt_first_write_long_ms) ms | — |"
        echo "| flite kal16: Speak → first audio handed to the sink, one sentence; GPL-3 (median of $ROUNDS) | $(figure flite_kal16_first_write_sentence_ms) ms; $(figure flite_kal16_first_write_long_ms) ms | — |"
        echo "| Synthesis speed, first 5000 characters of GPL-3 (seconds of audio per second): eSpeak NG; flite slt; kal16; kal | $(figure throughput_espeak_x)×; $(figure throughput_flite_slt_x)×; $(figure throughput_flite_kal16_x)×; $(figure throughput_flite_kal_x)× | — |"
    } | bench_append
}
