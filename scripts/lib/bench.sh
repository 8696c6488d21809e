# Shared by the benchmark sections in scripts/bench.d/. Sourced, not run.
# Every figure is taken in rounds that alternate with its floor, so both see
# the same machine, and is reported as median, min and max.

bench_machine() {
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
}

# bench_ms COMMAND...: milliseconds the command takes, its output dropped.
bench_ms() {
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    e=$(date +%s%N)
    echo $(((e - s) / 1000000))
}

# bench_median VALUE...
bench_median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }

# bench_stats VALUE...: "median (min–max)".
bench_stats() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "—"; exit }
        printf "%g (%g–%g)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# bench_ratio A B: A / B with two decimals.
bench_ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "—"; else printf "%.2f", a / b }'; }

# bench_append: appends standard input to BENCHMARKS.md and echoes it.
bench_append() { tee -a "$SONTI_ROOT/BENCHMARKS.md"; }
