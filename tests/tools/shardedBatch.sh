#!/usr/bin/env bash
# A catalogue spread over machines the way the README shows it: GNU parallel
# runs orvalt-render on each share (--shard K/N) of one list (--files-from,
# NUL-separated from find -print0), here on this machine as parallel's host
# ":" (the recipe's -S with the local host). Every output must be byte for byte
# the one a single-machine batch writes, each input rendered exactly once; a
# resumed run (--skip-existing) renders only what is missing.
# Usage: shardedBatch.sh <orvalt-render> <Orvalt.so>   Exit 77: parallel is missing.
set -u
render=$1 plugin=$2
command -v parallel >/dev/null || { echo "SKIP: GNU parallel is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Seven short stereo inputs, each its own noise, in two folders.
mkdir -p "$work/in/a" "$work/in/b" "$work/single" "$work/sharded"
python3 - "$work/in" <<'PY'
import random, struct, sys, wave
for i in range(7):
    rng = random.Random(i)
    with wave.open(f"{sys.argv[1]}/{'ab'[i % 2]}/take {i}.wav", "wb") as w:
        w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
        w.writeframes(b"".join(struct.pack("<h", max(-32768, min(32767, int(rng.gauss(0, 9000))))) for _ in range(2 * 11025)))
PY

"$render" --plugin "$plugin" --quiet --set input=6 --out-dir "$work/single" "$work"/in/*/*.wav || fail "the single-machine batch failed"
(cd "$work/in" && find . -name '*.wav' -print0) >"$work/list"
(cd "$work/in" && parallel -S 2/: --workdir . "$render" --plugin "$plugin" --quiet --set input=6 --files-from "$work/list" -0 \
   --shard {}/3 --out-dir "$work/sharded" ::: 1 2 3) || fail "a share failed"

[ "$(ls "$work/sharded" | wc -l)" = 7 ] || fail "the shares wrote $(ls "$work/sharded" | wc -l) files, not 7"
for f in "$work"/single/*.wav; do
  cmp -s "$f" "$work/sharded/$(basename "$f")" || fail "$(basename "$f") differs from the single-machine batch"
done
# Each input in exactly one share, whatever the list's order.
for k in 1 2 3; do
  (cd "$work/in" && "$render" --plugin "$plugin" --set input=6 --files-from "$work/list" -0 --shard $k/3 \
     --skip-existing --out-dir "$work/sharded") 2>&1 | grep -o '^skipped .*' >>"$work/skipped"
done
[ "$(sort -u "$work/skipped" | wc -l) $(wc -l <"$work/skipped")" = "7 7" ] || fail "the shares hold $(wc -l <"$work/skipped") inputs, $(sort -u "$work/skipped" | wc -l) different, not 7 once each"
# A resumed share renders only what is missing.
rm "$work/sharded/take 3.wav"
touch -d '2000-01-01' "$work"/sharded/*.wav
(cd "$work/in" && parallel -S 2/: "$render" --plugin "$plugin" --quiet --set input=6 --files-from "$work/list" -0 \
   --shard {}/3 --skip-existing --out-dir "$work/sharded" ::: 1 2 3) || fail "the resumed run failed"
cmp -s "$work/single/take 3.wav" "$work/sharded/take 3.wav" || fail "the resumed run did not write take 3.wav again"
[ "$(find "$work/sharded" -name "*.wav" -newer "$work/list" | wc -l)" = 1 ] || fail "the resumed run rewrote outputs that were there"
echo "ok: 7 files in 3 shares under parallel, byte-identical to one batch; a resumed run wrote only the missing one"
