# PipeWire's PulseAudio server (pipewire-pulse, what most desktops run)
# next to PulseAudio, in the same run: Speak to the first sound heard
# (sonti-speech-bench --first-sound), batches alternating between the two
# servers, each with a process that does not prepare its output (--cold)
# and the floor, a bare client starting a corked stream (sonti-pulse-floor);
# Pause to the last sound heard on each (--pause), and word timing on
# PipeWire, quiet and with two busy loops.

# bench_on SERVER COMMAND...: runs the command with that sound server (and
# a display) of its own, started for it and ended after it.
bench_on() {
    local server="$1"
    shift
    (
        export SONTI_AUDIO_SERVER="$server"
        sonti_env_start >/dev/null
        "$@"
    )
}

bench_pipewire() {
    local batch server busy=() pid refused=()
    for server in pulseaudio pipewire; do
        : >"$WORK/first-$server"
        : >"$WORK/cold-$server"
        : >"$WORK/floor-$server"
    done
    for batch in 1 2 3; do
        for server in pulseaudio pipewire; do
            sonti_log "first sound on $server, batch $batch: $ROUNDS sentences in one process, and one that does not prepare the output"
            # A freshly started PipeWire now and then refuses the recorder
            # ("Timeout"): that run is left out and counted.
            bench_on "$server" "$BENCH" --first-sound "$ROUNDS" >>"$WORK/first-$server" || refused+=("$server")
            bench_on "$server" "$BENCH" --first-sound 1 --cold >>"$WORK/cold-$server" || refused+=("$server")
            bench_on "$server" "$BUILD/bench/sonti-pulse-floor" "$ROUNDS" >>"$WORK/floor-$server" || refused+=("$server")
        done
    done
    for server in pulseaudio pipewire; do
        sonti_log "pause on $server: 15 pauses of a long text"
        bench_on "$server" "$BENCH" --pause 15 >"$WORK/pause-$server" || refused+=("$server")
    done
    sonti_log "word timing on pipewire, quiet and with two busy loops"
    # A server starved for long enough refuses the recorder: the table then
    # says no words were heard, and the other figures stand.
    bench_on pipewire "$BENCH" --words "$ROUNDS" >"$WORK/pw-words-quiet" || true
    for _ in 1 2; do
        (while :; do :; done) &
        busy+=($!)
    done
    bench_on pipewire "$BENCH" --words "$ROUNDS" >"$WORK/pw-words-loaded" || true
    for pid in "${busy[@]}"; do kill "$pid"; done
    wait "${busy[@]}" 2>/dev/null || true

    # first SERVER [first]: the first-sound figures, of every round or only
    # of the first Speak of each process.
    first() {
        awk -v only="${2:-}" '$1 == "first_sound" && (only == "" || $2 == 0) { print $3 }' "$WORK/${3:-first}-$1"
    }
    written() { awk '$1 == "first_write" && $2 > 0 { print $3 }' "$WORK/first-$1"; }
    words() {
        awk '$1 == "word" { print $3 }' "$1" | sort -n | awk '
            { v[NR] = $1 } END { if (NR == 0) { print "no words heard"; exit }
              printf "%d words | %.1f ms | %.1f ms | %.1f ms", NR, v[int((NR + 1) / 2)], v[int(NR * 0.95 + 0.999)], v[1] }'
        awk '$1 == "gap" { g++ } END { printf " | %d", g }' "$1"
    }
    {
        echo
        echo "## PipeWire and PulseAudio: $(bench_machine)"
        echo
        echo "Speak → first sound in the null sink's monitor, ms, median (min–max), batches of $ROUNDS sentences"
        echo "alternating between the servers; \"first Speak\" is the first of each process (3)."
        echo
        echo "| Server | Every Speak | First Speak of a process | First Speak, output not prepared | Floor: a bare client's corked stream started | Speak → first audio handed to the sink, later Speaks | Pause → last sound heard (15 pauses) |"
        echo "|---|---|---|---|---|---|---|"
        for server in pulseaudio pipewire; do
            # shellcheck disable=SC2046
            echo "| $server | $(bench_stats $(first "$server")) | $(bench_stats $(first "$server" first)) | $(bench_stats $(first "$server" first cold)) | $(bench_stats $(awk '$1 == "floor_sound" { print $3 }' "$WORK/floor-$server")) | $(bench_stats $(written "$server")) | $(bench_stats $(awk '$1 == "pause" { print $3 }' "$WORK/pause-$server")) |"
        done
        echo
        echo "Word timing on PipeWire: word event delivered against its first sample heard (positive: late)."
        echo
        echo "| Case | Events | Median | p95 | Earliest | Words after a gap |"
        echo "|---|---|---|---|---|---|"
        echo "| quiet, $ROUNDS sentences | $(words "$WORK/pw-words-quiet") |"
        echo "| two busy loops, $ROUNDS sentences | $(words "$WORK/pw-words-loaded") |"
        if ((${#refused[@]} > 0)); then
            echo
            echo "Runs left out, the server having refused the recorder: ${refused[*]}."
        fi
    } | bench_append
}
