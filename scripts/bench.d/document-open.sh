# Opening big text files (GPL-3 repeated to 10, 50 and 250 MB): at launch
# (`sonti FILE`, from launch to the text box's first paint holding the whole
# document) and from the recent-files menu (File, then item 1, from the key
# press to that paint), each against a bare QPlainTextEdit loading the same
# file (sonti-floor-window: before it shows, or with --later once shown).
# Also the longest stall of the UI thread while the window is up (a 2 ms
# timer firing late, as both programs log it), and memory once the document
# is shown: VmRSS, and VmHWM, the peak on the way.
# SONTI_BENCH_DOC_SIZES: the sizes in MB (default "10 50 250").
# SONTI_BENCH_BUSY=N: N busy loops compete for the processors throughout,
# for the stalls of a machine that has other work to do.

# bench_doc_run WHAT START_WHAT COMMAND...: launches with the timing log on,
# waits for the "WHAT" report and prints "ms stall rss hwm": milliseconds
# from the "START_WHAT" report (or the launch, for "launch") to it, the
# longest stall in ms after the window showed, and VmRSS and VmHWM in MB.
# With START_WHAT "menu", opens recent item 1 once the window shows.
bench_doc_run() {
    local what="$1" from="$2"
    shift 2
    local log="$WORK/doc.log" start pid done_at="" shown="" i win
    : >"$log"
    start=$(date +%s%N)
    QT_LOGGING_RULES="sonti.timing.debug=true" "$@" 2>"$log" >/dev/null &
    pid=$!
    if [[ $from == menu ]]; then
        for ((i = 0; i < 3000; i++)); do
            shown=$(awk '$2 == "shown" { print $3; exit }' "$log")
            [[ -n $shown ]] && break
            sleep 0.01
        done
        win=$(xdotool search --onlyvisible --pid "$pid" --name '^TTS$' | head -1)
        timeout 5 xdotool windowfocus --sync "$win" key alt+f
        sleep 0.3
        start=$(date +%s%N)
        xdotool key 1
    fi
    for ((i = 0; i < 12000; i++)); do
        done_at=$(awk -v w="$what" '$2 == w { print $3; exit }' "$log")
        [[ -n $done_at ]] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    [[ $from == loading ]] && start=$(awk '$2 == "loading" { print $3; exit }' "$log")
    # Whatever is freed just after the paint is not held.
    sleep 0.5
    local mem
    mem=$(awk '/^VmRSS/ { r = $2 } /^VmHWM/ { h = $2 } END { printf "%d %d", r / 1024, h / 1024 }' "/proc/$pid/status" 2>/dev/null || echo "0 0")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [[ -n $done_at ]] || { echo "no '$what' report from $1" >&2; return 1; }
    [[ -n $shown ]] || shown=$(awk '$2 == "shown" { print $3; exit }' "$log")
    # Sonti's stalls from its window showing; the floor's load happens before
    # its event loop runs, so its first timer comes late by the whole load.
    local stall
    stall=$(awk -v s="${shown:-0}" -v sonti="$([[ $1 == *floor* ]] && echo 0 || echo 1)" \
        '$2 == "stall" && (!sonti || $4 > s) && $3 > m { m = $3 } END { print m + 0 }' "$log")
    echo "$(((done_at - start) / 1000000)) $stall $mem"
}

# bench_doc_column N VALUES...: the Nth field of each "ms stall rss hwm".
bench_doc_column() {
    local n="$1"
    shift
    local v
    for v in "$@"; do echo "$v" | cut -d' ' -f"$n"; done
}

bench_document_open() {
    local floor="$BUILD/bench/sonti-floor-window"
    local program="$WORK/program"
    mkdir -p "$program"
    cp "$BUILD/src/startup/sonti" "$program/sonti"
    local rows=() busy=() loop
    for ((loop = 0; loop < ${SONTI_BENCH_BUSY:-0}; loop++)); do
        # Ends with the benchmark, however that ends.
        (while kill -0 $$ 2>/dev/null; do :; done) &
        busy+=($!)
    done
    for size in ${SONTI_BENCH_DOC_SIZES:-10 50 250}; do
        local file="$WORK/big$size.txt" bytes=$((size * 1048576))
        while (($(stat -c %s "$file" 2>/dev/null || echo 0) < bytes)); do cat "$TEXT" "$TEXT" "$TEXT" "$TEXT" >>"$file"; done
        truncate -s "$bytes" "$file"
        local rounds=$ROUNDS
        ((size < 250)) || rounds=$(((ROUNDS + 2) / 3))
        sonti_log "a $size MB file: sonti FILE and the recent-files menu, against the floor ($rounds rounds)"
        # The first open makes it recent item 1 in the program folder's TTS.ini.
        bench_doc_run document launch "$program/sonti" "$file" >/dev/null
        local s=() f=() m=() fl=()
        for _ in $(seq "$rounds"); do
            s+=("$(bench_doc_run document launch "$program/sonti" "$file")")
            f+=("$(bench_doc_run shown launch "$floor" "$file")")
            m+=("$(bench_doc_run document menu "$program/sonti")")
            fl+=("$(bench_doc_run document loading "$floor" --later "$file")")
        done
        local how
        for how in launch menu; do
            local ours=("${s[@]}") theirs=("${f[@]}") label="\`sonti FILE\`, launch to shown"
            [[ $how == menu ]] && ours=("${m[@]}") theirs=("${fl[@]}") label="recent-files menu, key to shown"
            local ms=() fms=() st=() fst=() hwm=() frss=()
            mapfile -t ms < <(bench_doc_column 1 "${ours[@]}")
            mapfile -t fms < <(bench_doc_column 1 "${theirs[@]}")
            mapfile -t st < <(bench_doc_column 2 "${ours[@]}")
            mapfile -t fst < <(bench_doc_column 2 "${theirs[@]}")
            mapfile -t hwm < <(bench_doc_column 4 "${ours[@]}")
            mapfile -t frss < <(bench_doc_column 3 "${theirs[@]}")
            local budget=$(($(bench_median "${frss[@]}") + 2 * size))
            rows+=("| $size MB, $label | $(bench_stats "${ms[@]}") | $(bench_stats "${fms[@]}") | $(bench_ratio "$(bench_median "${ms[@]}")" "$(bench_median "${fms[@]}")")× | $(bench_stats "${st[@]}") | $(bench_stats "${fst[@]}") | $(bench_stats "${hwm[@]}") | $(bench_stats "${frss[@]}") | ≤ $budget |")
        done
    done
    ((${#busy[@]} == 0)) || kill "${busy[@]}"
    {
        echo
        echo "## Opening documents: $(bench_machine)"
        ((${#busy[@]} == 0)) || { echo; echo "With ${#busy[@]} busy loops competing throughout."; }
        echo
        echo "Median (min–max). Shown: ms to the text box's first paint holding the whole file. Stall: the"
        echo "UI thread's longest wait, ms (budget 100). Memory, MB: Sonti's peak (VmHWM) against the floor"
        echo "holding the file (VmRSS), budget the floor plus twice the file."
        echo
        echo "| File, path | Shown | Floor shown | Ratio | Stall | Floor stall | Peak memory | Floor memory | Memory budget |"
        echo "|---|---|---|---|---|---|---|---|---|"
        printf '%s\n' "${rows[@]}"
    } | bench_append
}
