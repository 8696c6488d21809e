# Speaking documents through the real window (`sonti FILE` under the bench's
# Xvfb and null sink, Process XML on through TTS.ini, Speak pressed with
# xdotool as a user would):
#   - Speak to the first sample handed to the sink, for a sentence and for a
#     10 MB document, from the program's own "speak" and "first-sample"
#     reports on the sonti.timing category;
#   - the longest stall of the UI thread while speaking 10 MB with every
#     event connected (the window's UiStallReport, from the click on);
#   - memory 3 s into speaking it, against a bare QPlainTextEdit holding it
#     (bench/floor_window.cpp) measured in the same run;
#   - CPU per second of speech: utime + stime over wall time while speaking;
#   - a 250 MB document: the longest stall while opening and speaking it,
#     and memory while speaking against the bare text box plus twice the text.
# SONTI_BENCH_DOC_ROUNDS (default 5) rounds of the 10 MB figures,
# SONTI_BENCH_HUGE_ROUNDS (default 1) of the 250 MB ones (0 skips them).

# ds_field LOG WHAT: the first value reported as WHAT.
ds_field() { awk -v w="$2" '$2 == w { print $3; exit }' "$1"; }

# ds_wait LOG WHAT PID SECONDS: waits for a WHAT report; fails when the
# program ends or the time runs out.
ds_wait() {
    local n=$(($4 * 20))
    for _ in $(seq "$n"); do
        [[ -n $(ds_field "$1" "$2") ]] && return 0
        kill -0 "$3" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

ds_rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
# utime + stime in clock ticks.
ds_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# ds_floor FILE: the bare text box's resident memory holding FILE, MB, and
# its longest stall in the 10 s after, ms: what the machine alone costs a UI
# thread that does nothing (other builds share it).
ds_floor() {
    local log="$WORK/floor.log" pid kb shown
    : >"$log"
    QT_LOGGING_RULES="sonti.timing.debug=true" "$BUILD/bench/sonti-floor-window" "$1" 2>"$log" >/dev/null &
    pid=$!
    ds_wait "$log" shown "$pid" 300 || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; return 1; }
    sleep 1
    kb=$(ds_rss_kb "$pid")
    shown=$(date +%s%N)
    sleep 10
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$((kb / 1024)) $(awk -v a="$shown" '$2 == "stall" && $4 >= a { if ($3 > m) m = $3 } END { print m + 0 }' "$log")"
}

# ds_speak FILE SECONDS: opens FILE in Sonti, presses Speak once it is shown
# and idle, lets it speak SECONDS, presses Stop and Speak again, and prints
#   "<first sample µs> <longest stall ms> <MB 3 s in> <CPU %> <longest stall while opening ms> <max MB> <first sample again µs>"
# (first sample: from the "speak" report, the first after launch and so
# with the sound server's connection to make; CPU: over SECONDS - 1 s from
# 1 s in).
ds_speak() {
    local file="$1" seconds="$2" log="$WORK/speak.log" pid win click first mb3 t0 c0 t1 c1 cpu stall open_stall maxmb kb
    : >"$log"
    printf '[Voice]\nXML=1\n' >"$(dirname "$SONTI_BIN")/TTS.ini"
    QT_LOGGING_RULES="sonti.timing.debug=true" "$SONTI_BIN" "$file" 2>"$log" >/dev/null &
    pid=$!
    if ! ds_wait "$log" document "$pid" 600; then
        echo "document-speak: $file was never shown" >&2
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        return 1
    fi
    sleep 1
    win=$(xdotool search --onlyvisible --all --pid "$pid" --name '^TTS - ' 2>/dev/null | head -1 || true)
    [[ -n $win ]] || { echo "document-speak: no window" >&2; kill "$pid"; wait "$pid" 2>/dev/null; return 1; }
    local opened
    opened=$(date +%s%N)
    timeout 5 xdotool windowfocus --sync "$win" key alt+s
    # A build without the reports (an older one, for a "before" figure)
    # is timed from the key press, without a first-sample figure.
    ds_wait "$log" first-sample "$pid" 5 || echo "document-speak: no first-sample report" >&2
    click=$(ds_field "$log" speak)
    click=${click:-$opened}
    first=$(ds_field "$log" first-sample)
    maxmb=0
    sleep 1
    t0=$(date +%s%N)
    c0=$(ds_cpu_ticks "$pid")
    for ((i = 1; i < seconds; i++)); do
        [[ $i == 2 ]] && mb3=$(($(ds_rss_kb "$pid") / 1024))
        kb=$(ds_rss_kb "$pid")
        ((kb / 1024 > maxmb)) && maxmb=$((kb / 1024))
        sleep 1
    done
    t1=$(date +%s%N)
    c1=$(ds_cpu_ticks "$pid")
    timeout 5 xdotool windowfocus --sync "$win" key alt+t
    sleep 0.5
    timeout 5 xdotool windowfocus --sync "$win" key alt+s
    local again=-
    for _ in $(seq 100); do
        again=$(awk '$2 == "speak" { s = $3 } $2 == "first-sample" { f = $3 } END { if (s && f > s) print int((f - s) / 1000); else print "-" }' "$log")
        [[ $again != - ]] && [[ $(grep -c ' speak ' "$log") -ge 2 ]] && break
        sleep 0.05
    done
    cpu=$(awk -v c="$((c1 - c0))" -v t="$((t1 - t0))" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.1f", 100 * (c / hz) / (t / 1e9) }')
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # Stalls are reported when they end: those ending after the click and
    # within the time spoken.
    stall=$(awk -v a="$click" -v b="$t1" '$2 == "stall" && $4 >= a && $4 <= b { if ($3 > m) m = $3 } END { print m + 0 }' "$log")
    open_stall=$(awk -v b="$opened" '$2 == "stall" && $4 <= b { if ($3 > m) m = $3 } END { print m + 0 }' "$log")
    echo "$([[ -n $first ]] && echo $(((first - click) / 1000)) || echo -) $stall ${mb3:-0} $cpu $open_stall $maxmb $again"
}

# ds_col N LINE...: column N of each line.
ds_col() {
    local n="$1"
    shift
    printf '%s\n' "$@" | awk -v n="$n" '{ print $n }'
}

bench_document_speak() {
    SONTI_BIN="${SONTI_BIN:-$BUILD/src/startup/sonti}"
    local rounds="${SONTI_BENCH_DOC_ROUNDS:-5}" huge_rounds="${SONTI_BENCH_HUGE_ROUNDS:-1}"
    local big="$WORK/big.txt" huge="$WORK/huge.txt" sentence="$WORK/sentence.txt"
    while (($(stat -c %s "$big" 2>/dev/null || echo 0) < 10485760)); do cat "$TEXT" >>"$big"; done
    echo "The quick brown fox jumps over the lazy dog." >"$sentence"

    sonti_log "document-speak: a sentence and 10 MB, $rounds rounds alternating with the floor"
    local s=() b=() f=()
    for _ in $(seq "$rounds"); do
        s+=("$(ds_speak "$sentence" 3)")
        b+=("$(ds_speak "$big" 11)")
        f+=("$(ds_floor "$big")")
    done
    # First sample in microseconds, shown in ms.
    local sf bf
    sf=$(bench_stats $(ds_col 1 "${s[@]}" | awk '{ printf "%.2f\n", $1 / 1000 }'))
    bf=$(bench_stats $(ds_col 1 "${b[@]}" | awk '{ printf "%.2f\n", $1 / 1000 }'))
    local over=()
    for i in "${!b[@]}"; do over+=("$(($(ds_col 3 "${b[$i]}") - $(ds_col 1 "${f[$i]}")))"); done

    local hs=() hf=()
    if ((huge_rounds > 0)); then
        while (($(stat -c %s "$huge" 2>/dev/null || echo 0) < 262144000)); do cat "$big" >>"$huge"; done
        truncate -s 262144000 "$huge"
        sonti_log "document-speak: 250 MB, $huge_rounds rounds"
        for _ in $(seq "$huge_rounds"); do
            hs+=("$(ds_speak "$huge" 11)")
            hf+=("$(ds_floor "$huge")")
        done
        rm -f "$huge"
    fi
    local text_mb=250
    {
        echo
        echo "## Speaking documents: $(bench_machine)"
        echo
        echo "Through the window, Process XML on; $rounds rounds (250 MB: ${huge_rounds}). Median (min–max)."
        echo
        echo "| Figure | Sonti | Floor | Budget |"
        echo "|---|---|---|---|"
        echo "| Speak → first sample handed to the sink, a sentence, ms | $sf | — | ≤ 5 |"
        echo "| Speak → first sample handed to the sink, 10 MB, ms | $bf | — | ≤ 5 |"
        echo "| The same, Speak again after Stop (the sound server's connection made), sentence / 10 MB, ms | $(bench_stats $(ds_col 7 "${s[@]}" | awk '{ printf "%.2f\n", $1 / 1000 }')) / $(bench_stats $(ds_col 7 "${b[@]}" | awk '{ printf "%.2f\n", $1 / 1000 }')) | — | ≤ 5 |"
        echo "| Longest UI stall speaking 10 MB (10 s, every event connected), ms | $(bench_stats $(ds_col 2 "${b[@]}")) | the bare text box idle for 10 s: $(bench_stats $(ds_col 2 "${f[@]}")) | ≤ 16 |"
        echo "| Memory 3 s into speaking 10 MB, MB | $(bench_stats $(ds_col 3 "${b[@]}")) | bare text box holding it: $(bench_stats $(ds_col 1 "${f[@]}")) | over the floor: $(bench_stats "${over[@]}") (≤ 50) |"
        echo "| CPU per second of speech (10 MB, 10 s), % of one core | $(bench_stats $(ds_col 4 "${b[@]}")) | — | ≤ 10 |"
        if ((huge_rounds > 0)); then
            local hover=()
            for i in "${!hs[@]}"; do hover+=("$(($(ds_col 6 "${hs[$i]}") - $(ds_col 1 "${hf[$i]}")))"); done
            echo "| 250 MB: longest UI stall while opening, ms | $(bench_stats $(ds_col 5 "${hs[@]}")) | — | ≤ 100 |"
            echo "| 250 MB: longest UI stall speaking (10 s), ms | $(bench_stats $(ds_col 2 "${hs[@]}")) | the bare text box idle: $(bench_stats $(ds_col 2 "${hf[@]}")) | ≤ 100 |"
            echo "| 250 MB: Speak → first sample, ms | $(bench_stats $(ds_col 1 "${hs[@]}" | awk '{ printf "%.2f\n", $1 / 1000 }')) | — | — |"
            echo "| 250 MB: most memory while speaking, MB | $(bench_stats $(ds_col 6 "${hs[@]}")) | bare text box: $(bench_stats $(ds_col 1 "${hf[@]}")) | over the floor: $(bench_stats "${hover[@]}") (≤ 2 × ${text_mb}) |"
        fi
    } | bench_append
}
