#!/usr/bin/env bash
# The Debian package as a user gets it: builds it with CPack in the given
# build folder, checks its metadata and that apt can satisfy its Depends,
# unpacks it into a throw-away root and runs the unpacked sonti-say (an HTML
# page, read by the packaged formats module, and a flite voice, loaded from
# the packaged flite and resampler modules, spoken into WAV files) and sonti
# (under the Xvfb display of scripts/test: the window shows, Ctrl+Q ends it,
# TTS.ini lands in the user's folder).
#   tests/package/installed.sh <build dir>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/sonti-package.XXXXXX)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(tail -5 "$work/cpack.log")"
deb="$(ls "$work"/out/sonti_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libespeak-ng1 libflite1 libpulse0 libsoxr0 libpoppler-qt6 libarchive; do
    grep -q "$library" <<<"$depends" || fail "Depends names no $library: $depends"
done
apt-get install --simulate --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || fail "apt cannot install it: $(tail -5 "$work/apt.log")"

root="$work/root"
dpkg -x "$deb" "$root"
# Hints (such as being listed under both Accessories and Sound & Video) are fine.
entry="$(desktop-file-validate "$root"/usr/share/applications/*.desktop 2>&1)" || fail "desktop entry: $entry"
! grep -E ': (error|warning):' <<<"$entry" || fail "desktop entry: $entry"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$work/as.log" || fail "AppStream: $(cat "$work/as.log")"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    [[ -z "$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ]] || fail "$page has warnings"
done
for size in 16x16 32x32 48x48 64x64 128x128 256x256 scalable; do
    ls "$root/usr/share/icons/hicolor/$size/apps/"* >/dev/null || fail "no $size icon"
done

# An HTML page is read through the formats module, which must come from the
# package, not from the build.
printf '<html><body><p>Hello from the package</p></body></html>\n' >"$work/hello.html"
LD_DEBUG=files "$root/usr/bin/sonti-say" -o "$work/hello.wav" -f "$work/hello.html" 2>"$work/say.log" \
    || fail "sonti-say: $(grep -v '^ *[0-9]*:' "$work/say.log")"
grep -q "file=$root/.*libsonti_formats.so" "$work/say.log" || fail "the formats module was not loaded from the package"
# flite and the resampler, which its 16 kHz voices need, likewise.
LD_DEBUG=files "$root/usr/bin/sonti-say" -v slt -o "$work/slt.wav" "Hello from flite" 2>"$work/slt.log" \
    || fail "sonti-say -v slt: $(grep -v '^ *[0-9]*:' "$work/slt.log")"
for module in libsonti_flite.so libsonti_soxr.so; do
    grep -q "file=$root/.*$module" "$work/slt.log" || fail "$module was not loaded from the package"
done
for wav in hello slt; do
    rms="$(sox "$work/$wav.wav" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')"
    awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || fail "$wav.wav holds no speech (RMS $rms)"
done

if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    echo "SKIP: no X display for sonti (scripts/test starts Xvfb)"
    exit 0
fi
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME=
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb "$root/usr/bin/sonti" >"$work/sonti.log" 2>&1 &
pid=$!
win=
for ((i = 0; i < 1500; i++)); do
    win="$(xdotool search --onlyvisible --all --pid "$pid" --name '^TTS$' 2>/dev/null | head -1 || true)"
    [[ -n "$win" ]] && break
    sleep 0.02
done
[[ -n "$win" ]] || {
    kill "$pid" 2>/dev/null
    fail "the unpacked sonti showed no window: $(cat "$work/sonti.log")"
}
timeout 5 xdotool windowfocus --sync "$win" key ctrl+q
for ((i = 0; i < 1500; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.02
done
if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "Ctrl+Q did not end the unpacked sonti"
fi
wait "$pid" || fail "sonti ended with $?"
[[ -f "$HOME/.config/Sonti/TTS.ini" ]] || fail "an installed sonti keeps TTS.ini elsewhere: $(find "$work" -name TTS.ini)"
[[ ! -e "$root/usr/bin/TTS.ini" ]] || fail "an installed sonti wrote TTS.ini beside itself"
echo "PASS: $(basename "$deb")"
