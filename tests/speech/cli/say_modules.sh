#!/usr/bin/env bash
# flite and libsoxr are loaded only by a run that needs them: listing the
# voices, --version and espeak-ng at its own rate start without them; a
# flite voice loads the flite module, a rate change the resampler module.
source "$(dirname "$0")/say_lib.sh"
cd "$WORK"

# loaded ARGS...: the files the dynamic loader opened for sonti-say ARGS.
loaded() {
    LD_DEBUG=files "$SONTI_SAY" "$@" 2>&1 >/dev/null </dev/null | grep -o 'file=[^ ]*' | sort -u
}

for args in "--version" "--list-voices" "--list-voices en --json" "-o plain.wav Hello there"; do
    read -ra argv <<<"$args"
    files="$(loaded "${argv[@]}")"
    ! grep -E 'libflite|libsoxr|libsonti_(flite|soxr)' <<<"$files" || fail "sonti-say $args loaded the above"
done
say_run 0 --list-voices
grep -q $'\tFlite/slt\ten-US\tEnglish (America) slt - Flite$' out || fail "flite's voices are missing from the list"

# slt speaks at 16 kHz into the default 22 kHz format: both modules.
files="$(loaded -v slt -o slt.wav Hello there)"
for module in libsonti_flite.so libflite.so.1 libflite_cmu_us_slt.so.1 libsonti_soxr.so libsoxr.so.0; do
    grep -q "/$module\$\|=$module\$" <<<"$files" || fail "-v slt did not load $module: $files"
done
# espeak-ng resampled to 16 kHz: the resampler alone.
files="$(loaded --format 18 -o 16k.wav Hello there)"
grep -q 'libsonti_soxr.so$' <<<"$files" || fail "--format 18 did not load the resampler: $files"
! grep -q 'libflite' <<<"$files" || fail "--format 18 loaded flite: $files"

for f in slt.wav 16k.wav; do
    rms="$(sox "$f" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')"
    awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || fail "$f holds no speech (RMS $rms)"
done
[[ "$(soxi -r slt.wav)" == 22050 && "$(soxi -r 16k.wav)" == 16000 ]] || fail "the files have the wrong rates"
echo "PASS"
