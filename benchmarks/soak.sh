#!/usr/bin/env bash
# Soak run: the whole show captured at a small size while the program's resident memory is
# sampled four times a second, then the growth in each effect span after its first second.
#
#   benchmarks/soak.sh [--program PATH] [--data PAK] [--size WxH] [--fps N] [--out DIR]
#                      [--from MS] [--to MS] [--limit-kib K]
#
# Defaults: build/sublumen, its own data.pak, 160x90, 2 frames a second, 0..281200 ms, output in
# build/soak. Writes OUT/rss.csv (seconds, frames written, position ms, RSS KiB), OUT/output.txt
# (the program's stdout and stderr) and OUT/log.txt, and prints one line per span: RSS when the
# span is entered, one second into it and at its end (each the median of three samples), its
# peak, and the growth after the first second. The first draws of an effect allocate (textures,
# buffers, driver state), so a span's first second is left out of its growth. Exits 1 when the growths add up to more than K KiB (default 2048),
# or when the capture itself fails. Any program may be given, e.g. a sanitizer build: its reports
# land in OUT/output.txt (its RSS figures mean little then; with AddressSanitizer set
# ASAN_OPTIONS=detect_leaks=0, as the effects, the scene and the programs live until the process
# ends by design and are reported as leaks at exit). Headless, it runs itself under Xvfb.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$root/build/sublumen"
data=""
size=160x90
fps=2
from=0
to=""
out="$root/build/soak"
limit=2048
while [ $# -gt 0 ]; do
    case "$1" in
        --program) program="$2"; shift 2 ;;
        --data) data="$2"; shift 2 ;;
        --size) size="$2"; shift 2 ;;
        --fps) fps="$2"; shift 2 ;;
        --from) from="$2"; shift 2 ;;
        --to) to="$2"; shift 2 ;;
        --out) out="$2"; shift 2 ;;
        --limit-kib) limit="$2"; shift 2 ;;
        -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
        *) echo "soak.sh: unknown argument '$1'" >&2; exit 2 ;;
    esac
done

if [ -z "${DISPLAY:-}" ]; then
    export LIBGL_ALWAYS_SOFTWARE=1
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --program "$program" ${data:+--data "$data"} --size "$size" \
        --fps "$fps" --from "$from" ${to:+--to "$to"} --out "$out" --limit-kib "$limit"
fi
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

# The spans, read from the timeline header so that they are written down once.
timeline="$root/effects/show_timeline.h"
spans=$(sed -n 's/.*constexpr Span k[A-Za-z0-9]* = {\([0-9]*\), \([0-9]*\), "\([a-z0-9]*\)"};.*/\1 \2 \3/p' "$timeline")
show_end=$(sed -n 's/.*kShowEndMs = \([0-9]*\);.*/\1/p' "$timeline")
[ -n "$spans" ] && [ -n "$show_end" ] || { echo "soak.sh: cannot read the spans from $timeline" >&2; exit 2; }
to=${to:-$show_end}

mkdir -p "$out"
frames="$out/frames"
rm -rf "$frames"
mkdir -p "$frames"
csv="$out/rss.csv"
echo "seconds,frames,position_ms,rss_kib" > "$csv"

"$program" --capture "$frames" --from "$from" --to "$to" --fps "$fps" --size "$size" \
    ${data:+--data "$data"} --log "$out/log.txt" > "$out/output.txt" 2>&1 &
pid=$!
started=$EPOCHREALTIME
while kill -0 "$pid" 2>/dev/null; do
    rss=$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$pid/status" 2>/dev/null)
    written=$(find "$frames" -maxdepth 1 -name '[0-9]*.png' | wc -l)
    if [ -n "$rss" ] && [ "$written" -gt 0 ]; then
        # Frames 0..written-1 are on disk; the one being drawn, whose memory this is, is frame
        # `written`, at from + written*1000/fps ms.
        position=$((from + written * 1000 / fps))
        awk -v now="$EPOCHREALTIME" -v t0="$started" -v w="$written" -v p="$position" -v r="$rss" \
            'BEGIN { printf "%.2f,%d,%d,%d\n", now - t0, w, p, r }' >> "$csv"
    fi
    sleep 0.25
done
wait "$pid"
status=$?
elapsed=$(awk -v now="$EPOCHREALTIME" -v t0="$started" 'BEGIN { printf "%.0f", now - t0 }')

echo "soak: $(basename "$program") $size at $fps fps, $from..$to ms: exit status $status, $elapsed s," \
     "$(find "$frames" -maxdepth 1 -name '[0-9]*.png' | wc -l) frames"
printf '%-14s %10s %10s %10s %10s %10s %8s\n' span "entry KiB" "+1s KiB" "end KiB" "peak KiB" "growth" samples
echo "$spans" | awk -v csv="$csv" -v limit="$limit" -v from="$from" -v to="$to" '
    BEGIN {
        while ((getline line < csv) > 0) {
            if (line ~ /^seconds/) continue
            split(line, f, ",")
            n++; pos[n] = f[3]; rss[n] = f[4]
        }
    }
    # The median of up to three samples from index a on: the driver allocates and frees large
    # blocks within a frame, so one sample may catch a frame in the middle of its work.
    function median(a, b,    x, y, z, t) {
        if (b - a == 0) return rss[s[a]]
        if (b - a == 1) return (rss[s[a]] + rss[s[b]]) / 2
        x = rss[s[a]]; y = rss[s[a + 1]]; z = rss[s[a + 2]]
        if (x > y) { t = x; x = y; y = t }
        if (y > z) { t = y; y = z; z = t }
        return x > y ? x : y
    }
    {
        start = $1; end = $2; name = $3; entry = ""; m = 0; peak = 0; count = 0
        if (end <= from || start > to) next
        for (i = 1; i <= n; i++) {
            if (pos[i] < start || pos[i] >= end) continue
            count++
            if (entry == "") entry = rss[i]
            if (rss[i] > peak) peak = rss[i]
            if (pos[i] >= start + 1000) s[++m] = i
        }
        if (m == 0) { printf "%-14s %10s\n", name, "(no samples after its first second)"; next }
        k = m < 3 ? m : 3
        base = median(1, k); last = median(m - k + 1, m)
        growth = last - base
        total += growth > 0 ? growth : 0
        printf "%-14s %10d %10d %10d %10d %+10d %8d\n", name, entry, base, last, peak, growth, count
    }
    END {
        printf "growth after the spans\x27 first seconds: %d KiB in all (bound %d KiB)", total, limit
        # The last sample drawing a frame: those after the last frame catch the shutdown.
        for (last = n; last > 1 && pos[last] >= to; last--) ;
        if (n > 0) printf "; RSS %d KiB at the first sample, %d KiB at the last frame", rss[1], rss[last]
        printf "\n"
        exit total > limit
    }'
within=$?
[ "$status" -eq 0 ] && [ "$within" -eq 0 ]
