#!/usr/bin/env bash
# Speaks every clip a lap-time announcement can ask for into OUTDIR as
# NAME.wav (22050 Hz, mono, 16-bit), with espeak-ng and sox:
#   tools/make_clips.sh build/sounds
# Numbers 0..596 (596 hours is the longest time a signed 32-bit millisecond
# count can hold, so every hour count has its clip) and the nine words.
# Silence is trimmed at both ends and the level normalised so that clips
# played one after another sound like one sentence: "1 minute 23 point 5
# seconds" lasts about two seconds. A stamp file OUTDIR/.complete is written
# last, so an interrupted run is redone whole.
set -euo pipefail
out=${1:?output folder, e.g. build/sounds}
speed=${KV_CLIP_SPEED:-220}
for tool in espeak-ng sox; do
  command -v "$tool" > /dev/null || { echo "make_clips.sh: $tool not found" >&2; exit 1; }
done
mkdir -p "$out"
rm -f "$out/.complete"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

speak() {  # name text
  espeak-ng -v en -s "$speed" -w "$tmp/$1.wav" "$2"
  # Trim below 2% at the start, then (reversed) at the end; a clip keeps
  # 30 ms of tail so consecutive words do not run into each other.
  sox "$tmp/$1.wav" -r 22050 -c 1 -b 16 "$out/$1.wav" \
    silence 1 0.01 2% reverse silence 1 0.01 2% reverse pad 0 0.03 norm -3 rate 22050
}

for n in $(seq 0 596); do speak "$n" "$n"; done
for word in minus plus hour hours minute minutes point second seconds; do speak "$word" "$word"; done
touch "$out/.complete"
