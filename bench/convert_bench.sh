#!/usr/bin/env bash
# Measures the converter libraries against sox and ImageMagick on the same
# inputs, in one run: where the time of our conversions goes, time ratios
# (ours / theirs, the medians of 7 rounds in which the two take turns, so that
# both meet the same load on a shared machine), the pass band and fold-back of
# both resamplers, the decoded signal to noise ratio of both encoders, and the
# peak memory of our calls, each in a fresh process. The load of the machine
# is printed with the times.
# Our time is one export call inside a running process, after a first call has
# loaded what it needs (no Wine start-up); theirs is the whole command, whose
# own start-up is printed for scale.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
"$TOP/scripts/setup.sh"

# The peers, for this benchmark only.
need=()
for p in sox libsox-fmt-mp3 imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "bench: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
SOX=/usr/bin/sox
IM=/usr/bin/convert-im6.q16
IDENTIFY=/usr/bin/identify-im6.q16

mkdir -p "$TOP/build"
choose_flavour
build_flavour "$FLAVOUR" --target convert_bench
prepare_prefix
BIN="$BUILD/bin"
W="$TOP/build/convert_bench"
mkdir -p "$W"
winpath() { echo "Z:${1//\//\\}"; }
bench() { "$WINE" "$BIN/convert_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# Wall time of one run of a command, in nanoseconds.
wall_ns() {
  local t0 t1
  t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
  echo $(( t1 - t0 ))
}
# The middle of the numbers given, one a line.
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
median_time() {
  for _ in 1 2 3 4 5 6 7; do wall_ns "$@"; done | median | awk '{printf "%.6f", $1 / 1e9}'
}
# One call of an export, timed inside the benchmark after a warm-up call.
ours_once() { bench time 1 "$@" | awk '/^seconds/ {print $2}'; }
# Seven rounds of our call then the peer's command (after "--"), taken in turn
# so that both meet the same load; prints the two medians in seconds.
versus() {
  local ours=() theirs=() i
  local -a args=() cmd=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  shift
  cmd=("$@")
  for i in 1 2 3 4 5 6 7; do
    ours+=("$(ours_once "${args[@]}")")
    theirs+=("$(wall_ns "${cmd[@]}" | awk '{printf "%.6f", $1 / 1e9}')")
  done
  echo "$(printf '%s\n' "${ours[@]}" | median) $(printf '%s\n' "${theirs[@]}" | median)"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
ms() { awk -v a="$1" 'BEGIN {printf "%7.1f ms", a * 1000}'; }

# ---- Inputs (kept between runs) ----------------------------------------------
make_input() { [ -s "$W/$1" ] || bench make "$2" "$(winpath "$W/$1")" "${@:3}"; }
make_input speech60.wav speech 44100 60 2
make_input mono8k60.wav speech 8000 60 1
make_input sweep.wav sweep 44100 10 20 20000
make_input twotone.wav tones 44100 5 997 5003
make_input tones1k5k.wav tonepair 44100 2 11626 1000 5000   # each -9 dBFS
make_input logsweep.wav logsweep 44100 10 20 20000
make_input slow1hz.wav silence8 1 80
make_input overflow1hz.wav silence8 1 11200
make_input big128.wav speech 44100 760 2            # 128 MiB less a little
[ -s "$W/speech60.mp3" ] || lame --quiet -b 128 "$W/speech60.wav" "$W/speech60.mp3"
if [ ! -s "$W/long44k.mp3" ]; then  # 15 min: 159 MB of PCM once decoded
  make_input long44k.wav speech 44100 900 2
  lame --quiet -b 128 "$W/long44k.wav" "$W/long44k.mp3" && rm -f "$W/long44k.wav"
fi
if [ ! -s "$W/long8k.mp3" ]; then
  make_input long8k.wav speech 8000 1800 1
  lame --quiet -b 8 "$W/long8k.wav" "$W/long8k.mp3" && rm -f "$W/long8k.wav"
fi
[ -s "$W/photo.jpg" ] || $IM -size 3000x2000 plasma:fractal -blur 0x1 -quality 90 "$W/photo.jpg"
[ -s "$W/art.png" ] || $IM -size 1024x768 gradient:'#ff000080-#0000ffff' -alpha on "$W/art.png"
[ -s "$W/scan.bmp" ] || $IM -size 1600x1200 plasma:fractal -type truecolor "BMP3:$W/scan.bmp"
[ -s "$W/anim.gif" ] || $IM -size 640x480 plasma:fractal -colors 64 "$W/anim.gif"
[ -s "$W/largest.jpg" ] || $IM "$W/photo.jpg" -resize 8192x6144! -quality 85 "$W/largest.jpg"
[ -s "$W/overlimit.png" ] || $IM -size 8193x6144 xc:white "$W/overlimit.png"
make_input huge.bmp bmpheader 30000 30000
make_input huge.jpg jpegsize "$(winpath "$W/photo.jpg")" 65500 65500

p() { winpath "$W/$1"; }
echo "== Load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) on $(nproc) processors =="
echo "== Audio: where our time goes (the parts one after another on one thread, median of 7, ms) =="
for c in "speech60.wav apm 8000" "speech60.wav mdm 8000" "speech60.wav apm 16000" "speech60.mp3 apm 8000" \
         "mono8k60.wav apm 8000" "mono8k60.wav mdm 8000"; do
  read -r src fmt rate <<<"$c"
  printf '  %-28s %s\n' "$src $fmt $rate:" "$(bench stages "$(p "$src")" "$fmt" "$rate" "$(winpath "$W")")"
done
echo "== Audio: time of one conversion (median of 7 rounds, ours and sox in turn) =="
sox_start=$(median_time $SOX -n -r 8000 -t ul /dev/null trim 0 0.001)
printf '  sox start-up alone: %s\n' "$(ms "$sox_start")"
audio_case() {  # title, our export, source, rate, sox output type and arguments
  local title=$1 fn=$2 src=$3 rate=$4; shift 4
  local ours theirs
  read -r ours theirs <<<"$(versus "$fn" "$(p "$src")" "$(p out.byproduct)" "$(p out.rbf)" "$rate" -- \
    $SOX "$W/$src" -c 1 -r "$rate" "$@")"
  printf '  %-44s ours %s  sox %s  ratio %s\n' "$title" "$(ms "$ours")" "$(ms "$theirs")" "$(ratio "$ours" "$theirs")"
}
audio_case "60 s WAV 44.1 kHz stereo -> APM 8000" ConvertWAVToAPMWithResample speech60.wav 8000 -t ima "$W/sox.ima"
audio_case "60 s WAV 44.1 kHz stereo -> MDM 8000" ConvertWAVToMDMWithResample speech60.wav 8000 -t ul "$W/sox.ul"
audio_case "60 s WAV 44.1 kHz stereo -> APM 16000" ConvertWAVToAPMWithResample speech60.wav 16000 -t ima "$W/sox.ima"
audio_case "60 s MP3 44.1 kHz stereo -> APM 8000" ConvertMP3ToAPMWithResample speech60.mp3 8000 -t ima "$W/sox.ima"
audio_case "60 s MP3 44.1 kHz stereo -> MDM 8000" ConvertMP3ToMDMWithResample speech60.mp3 8000 -t ul "$W/sox.ul"
audio_case "60 s WAV 8 kHz mono -> APM 8000" ConvertWAVToAPMWithResample mono8k60.wav 8000 -t ima "$W/sox.ima"
audio_case "60 s WAV 8 kHz mono -> MDM 8000" ConvertWAVToMDMWithResample mono8k60.wav 8000 -t ul "$W/sox.ul"
for src in mono8k60.wav speech60.wav; do
  apm=() mdm=()
  for _ in 1 2 3 4 5 6 7; do
    apm+=("$(ours_once ConvertWAVToAPMWithResample "$(p $src)" "$(p out.byproduct)" "$(p out.rbf)" 8000)")
    mdm+=("$(ours_once ConvertWAVToMDMWithResample "$(p $src)" "$(p out.byproduct)" "$(p out.rbf)" 8000)")
  done
  printf '  MDM / APM time, %-30s %s\n' "$src to 8000:" \
    "$(ratio "$(printf '%s\n' "${mdm[@]}" | median)" "$(printf '%s\n' "${apm[@]}" | median)")"
done

echo "== Audio: pass band, level of tones at 0.40, 0.43 and 0.45 of the target rate =="
for rate in 8000 16000; do
  read -r f40 f43 f45 <<<"$(awk -v r=$rate 'BEGIN {print 0.40 * r, 0.43 * r, 0.45 * r}')"
  make_input "tones3_$rate.wav" tones 44100 5 "$f40" "$f43" "$f45"
  bench time 0 ConvertWAVToMDMWithResample "$(p tones3_$rate.wav)" "$(p ours_tones3.wav)" "$(p out.rbf)" "$rate" >/dev/null
  $SOX "$W/tones3_$rate.wav" -r "$rate" -b 16 "$W/sox_tones3.wav"
  printf '  pass band to %5s Hz at 0.40 0.43 0.45:  ours %s dB  sox %s dB\n' "$rate" \
    "$(bench levels "$(p ours_tones3.wav)" 6000 "$f40" "$f43" "$f45" | cut -d' ' -f2-)" \
    "$(bench levels "$(p sox_tones3.wav)" 6000 "$f40" "$f43" "$f45" | cut -d' ' -f2-)"
done

echo "== Audio: fold-back relative to the pass band (whole fold region; its worst 20 ms) =="
for rate in 8000 16000; do
  bench time 0 ConvertWAVToAPMWithResample "$(p sweep.wav)" "$(p ours_sweep.wav)" "$(p out.rbf)" "$rate" >/dev/null
  $SOX "$W/sweep.wav" -r "$rate" -b 16 "$W/sox_sweep.wav"
  read -r _ ow _ o20 <<<"$(bench foldback "$(p ours_sweep.wav)" 20 20000 10)"
  read -r _ sw _ s20 <<<"$(bench foldback "$(p sox_sweep.wav)" 20 20000 10)"
  printf '  20 Hz-20 kHz sweep to %5s Hz:  ours %s dB, worst 20 ms %s dB  sox %s dB, worst 20 ms %s dB\n' \
    "$rate" "$ow" "$o20" "$sw" "$s20"
done
bench time 0 ConvertWAVToAPMWithResample "$(p twotone.wav)" "$(p ours_tones.wav)" "$(p out.rbf)" 8000 >/dev/null
$SOX "$W/twotone.wav" -r 8000 -b 16 "$W/sox_tones.wav"
# 1 kHz + 5 kHz moved off the 8000 Hz grid, so that rounding noise does not
# land on the tones.
read -r _ oa _ os <<<"$(bench twotone "$(p ours_tones.wav)" 997 2997)"
read -r _ sa _ ss <<<"$(bench twotone "$(p sox_tones.wav)" 997 2997)"
printf '  997 Hz + 5003 Hz to 8000 Hz, 5003 Hz folded to 2997 Hz:  ours %s dB  sox %s dB\n' "$oa" "$sa"
printf '  all else (spurs, rounding or dither noise), same signal: ours %s dB  sox %s dB\n' "$os" "$ss"

echo "== Audio: decoded signal to noise ratio against the 16-bit signal encoded =="
# Ours: the converted file decoded here against the first by-product (the
# resampled audio it was encoded from), beside the usual IMA encoder (the
# nearest code each sample) from the device's start, predictor 0 and step
# index 0, on the same audio; for the steady signals also the best codes that
# a search 16 times the encoder's width finds for that audio, about as good as
# any codes get (ApmBestSequenceError in convert_bench.cpp). sox, for
# information: its resampled audio, encoded and decoded by sox itself (no
# dither on either side of the encoding; its IMA stream starts again at every
# block header, which an APM clip has not).
for src in speech60.wav sweep.wav twotone.wav tones1k5k.wav logsweep.wav; do
  for rate in 8000 16000; do
    bench time 0 ConvertWAVToAPMWithResample "$(p "$src")" "$(p ours_in.wav)" "$(p ours.apm)" "$rate" >/dev/null
    oapm=$(bench apmsnr "$(p ours_in.wav)" "$(p ours.apm)" | awk '{print $2}')
    papm=$(bench apmplain "$(p ours_in.wav)" | awk '{print $2}')
    bench time 0 ConvertWAVToMDMWithResample "$(p "$src")" "$(p ours_in.wav)" "$(p ours.mdm)" "$rate" >/dev/null
    omdm=$(bench mdmsnr "$(p ours_in.wav)" "$(p ours.mdm)" | awk '{print $2}')
    $SOX -D "$W/ours_in.wav" -t ul "$W/ours_via_sox.ul"
    same=no
    cmp -s "$W/ours.mdm" "$W/ours_via_sox.ul" && same=yes
    $SOX "$W/$src" -c 1 -r "$rate" -b 16 "$W/sox_in.wav"
    $SOX -D "$W/sox_in.wav" -t ima "$W/sox.ima"
    $SOX -t ima -r "$rate" -c 1 "$W/sox.ima" -b 16 "$W/sox_ima.wav"
    $SOX -D "$W/sox_in.wav" -t ul "$W/sox.ul"
    $SOX -t ul -r "$rate" -c 1 "$W/sox.ul" -b 16 "$W/sox_ul.wav"
    sapm=$(bench snr "$(p sox_in.wav)" "$(p sox_ima.wav)" | awk '{print $2}')
    smdm=$(bench snr "$(p sox_in.wav)" "$(p sox_ul.wav)" | awk '{print $2}')
    printf '  APM %-14s to %5s Hz:  ours %6s dB  plain from the device'"'"'s start %6s dB  ours - plain %+.2f dB\n' \
      "$src" "$rate" "$oapm" "$papm" "$(awk -v a="$oapm" -v b="$papm" 'BEGIN {print a - b}')"
    printf '  APM %-14s to %5s Hz:  sox %6s dB  ours - sox %+.2f dB\n' "$src" "$rate" "$sapm" \
      "$(awk -v a="$oapm" -v b="$sapm" 'BEGIN {print a - b}')"
    if [ "$src" != speech60.wav ]; then  # (too slow on a minute of speech)
      bapm=$(bench apmbound "$(p ours_in.wav)" | awk '{print $2}')
      printf '  APM %-14s to %5s Hz:  best codes a far wider search finds %6s dB  best - plain %+.2f dB\n' \
        "$src" "$rate" "$bapm" "$(awk -v a="$bapm" -v b="$papm" 'BEGIN {print a - b}')"
    fi
    printf '  MDM %-14s to %5s Hz:  ours %6s dB  sox %6s dB  ours - sox %+.2f dB  (our bytes are sox'"'"'s mu-law of our samples: %s)\n' \
      "$src" "$rate" "$omdm" "$smdm" "$(awk -v a="$omdm" -v b="$smdm" 'BEGIN {print a - b}')" "$same"
  done
done

echo "== Audio: peak memory of one call, fresh process (target under 64 MiB) =="
peak_case() {
  local title=$1; shift
  read -r _ peak _ before _ secs _ result <<<"$(bench peak "$@")"
  printf '  %-48s peak %6.1f MiB (process before the call %5.1f)  %6.2f s  result %s\n' "$title" "$peak" "$before" "$secs" "$result"
}
peak_case "60 s WAV 44.1 kHz stereo -> APM 8000" ConvertWAVToAPMWithResample "$(p speech60.wav)" "$(p out.byproduct)" "$(p out.rbf)" 8000
peak_case "128 MiB WAV 44.1 kHz stereo -> MDM 8000" ConvertWAVToMDMWithResample "$(p big128.wav)" "$(p out.byproduct)" "$(p out.rbf)" 8000
peak_case "80 frames at 1 Hz -> MDM 192000 (15360000)" ConvertWAVToMDMWithResample "$(p slow1hz.wav)" "$(p out.byproduct)" "$(p out.rbf)" 192000
peak_case "60 s MP3 44.1 kHz stereo -> MDM 8000" ConvertMP3ToMDMWithResample "$(p speech60.mp3)" "$(p out.byproduct)" "$(p out.rbf)" 8000
peak_case "15 min MP3 44.1 kHz stereo -> APM 8000" ConvertMP3ToAPMWithResample "$(p long44k.mp3)" "$(p out.byproduct)" "$(p out.rbf)" 8000
peak_case "30 min MP3 8 kHz mono -> APM 8000" ConvertMP3ToAPMWithResample "$(p long8k.mp3)" "$(p out.byproduct)" "$(p out.rbf)" 8000
peak_case "11200 frames at 1 Hz -> APM 192000 (refused)" ConvertWAVToAPMWithResample "$(p overflow1hz.wav)" "$(p out.byproduct)" "$(p out.rbf)" 192000

echo "== Load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) =="
echo "== Pictures: time of one conversion to 128 x 128 (median of 7 rounds, in turn) =="
im_start=$(median_time $IM -size 1x1 xc:white rgb:/dev/null)
printf '  ImageMagick start-up alone: %s\n' "$(ms "$im_start")"
picture_case() {
  local src=$1 ours theirs
  read -r ours theirs <<<"$(versus ConvertImageResourceToRBF "$(p "$src")" "$(p out.rbf)" 128 128 -- \
    $IM "$W/$src" -resize 128x128 -background '#00ff00' -gravity center -extent 128x128 "rgb:$W/im.rgb")"
  printf '  %-44s ours %s  ImageMagick %s  ratio %s\n' "$src ($($IDENTIFY -format '%wx%h' "$W/$src"))" \
    "$(ms "$ours")" "$(ms "$theirs")" "$(ratio "$ours" "$theirs")"
}
for src in photo.jpg art.png scan.bmp anim.gif largest.jpg; do picture_case "$src"; done

echo "== Pictures: a one-pixel checkerboard of every size shrunk to 128 x 128, before rounding (target within 0.25) =="
read -r _ flat _ flatsize _ sumerror <<<"$(bench checkerboard 129 4096)"
printf '  129 to 4096 pixels square: worst range %s levels (at %s pixels); weights sum to one within %s\n' \
  "$flat" "$flatsize" "$sumerror"
echo "== Pictures: peak memory and time of one call, fresh process (target under 512 MiB) =="
for src in photo.jpg largest.jpg overlimit.png huge.bmp huge.jpg; do
  peak_case "$src" ConvertImageResourceToRBF "$(p "$src")" "$(p out.rbf)" 128 128
done
rm -f "$W"/out.* "$W"/sox.* "$W"/sox_*.wav "$W"/ours* "$W"/im.rgb "$W"/stage.*
