#!/bin/bash
# tier: quick
# The soundtrack as the demo and a listener get it: it decodes to exactly the module grid's length,
# 44.1 kHz stereo; it is mastered to about -14 LUFS under a -1 dBTP ceiling; its sections sit on the
# grid (quiet opening; each of scenes 05 to 10 loud on its first order, where its big image shows,
# and breathing on its second, under the verse; breakdown, climax on the flash, calm credits);
# the scenes differ and grow (no two verses or reveals alike, neighbouring reveals least of all,
# scene 10's reveal above scene 05's, order 1 loud enough to carry the motif, the flash above the
# last reveal), the reveals' low end sits in the bass, not the sub, under a kick that falls away
# fast; hats move the opening; the sunrise flare has its accent; the last chord lands as the
# credits end and rings across the black, dying away by the demo's end.
# That the generator writes the same bytes every time is checked with the rest of the content.
# Usage: soundtrack.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
mp3=$build/data/nerethval_dream.mp3
source "$source/tests/support/check.sh"
orderSamples=$(timeline orderSamples)
orders=19
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -s "$mp3" ] || give_up "$mp3 is missing; build the content target first"

# Decoding: mpg123 honours the LAME tag's delay and padding, so the length must match the grid exactly.
mpg123 -q -w "$work/dream.wav" "$mp3" || fail "mpg123 cannot decode the soundtrack"
le16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
le32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
channels=$(le16 "$work/dream.wav" 22)
rate=$(le32 "$work/dream.wav" 24)
dataTag=$(dd if="$work/dream.wav" bs=1 skip=36 count=4 2>/dev/null)
samples=$((($(stat -c %s "$work/dream.wav") - 44) / 4))
[ "$channels" = 2 ] || fail "decoded to $channels channels, expected 2"
[ "$rate" = 44100 ] || fail "decoded at $rate Hz, expected 44100"
[ "$dataTag" = data ] || fail "unexpected WAV layout from mpg123 (no data chunk at byte 36)"
[ "$samples" = $((orders * orderSamples)) ] ||
    fail "decoded to $samples samples per channel, expected $((orders * orderSamples)) ($orders orders of $orderSamples)"
echo "decoded: $samples samples per channel, $rate Hz, $channels channels"

# Loudness and true peak as ffmpeg's EBU R128 meter reads the MP3 itself.
ffmpeg -nostats -hide_banner -i "$mp3" -af ebur128=peak=true -f null - 2>"$work/ebur128.txt"
integrated=$(sed -n '/Summary:/,$p' "$work/ebur128.txt" | awk '$1 == "I:" { print $2 }')
truePeak=$(sed -n '/Summary:/,$p' "$work/ebur128.txt" | awk '$1 == "Peak:" { print $2 }')
echo "loudness: integrated $integrated LUFS, true peak $truePeak dBTP"
if [ -z "$integrated" ] || [ -z "$truePeak" ]; then
    fail "no loudness summary from ffmpeg's ebur128"
else
    awk -v i="$integrated" 'BEGIN { exit !(i >= -14.5 && i <= -13.5) }' ||
        fail "integrated loudness $integrated LUFS is not within 0.5 LU of -14"
    awk -v p="$truePeak" 'BEGIN { exit !(p <= -1.0) }' || fail "true peak $truePeak dBTP is above -1 dBTP"
fi

# Level of each order (one block of 414720 samples per order), from the decoded stream.
ffmpeg -nostats -hide_banner -i "$work/dream.wav" \
    -af "asetnsamples=n=$orderSamples:p=0,astats=metadata=1:reset=1,ametadata=print:key=lavfi.astats.Overall.RMS_level:file=$work/orders.txt" \
    -f null - 2>/dev/null
mapfile -t level < <(awk -F= '/RMS_level/ { print ($2 == "-inf" ? -200 : $2) }' "$work/orders.txt")
echo "order levels (dB RMS, orders 1-19): ${level[*]}"
if [ "${#level[@]}" != "$orders" ]; then
    fail "measured ${#level[@]} orders, expected $orders"
else
    below() { awk -v a="$1" -v b="$2" -v d="$3" 'BEGIN { exit !(a <= b - d) }'; }
    loudest=$(printf '%s\n' "${level[@]}" | sort -g | tail -1)
    awk -v a="${level[16]}" -v b="$loudest" 'BEGIN { exit !(a >= b - 0.5) }' ||
        fail "the flash (order 17, ${level[16]} dB) is not the loudest order ($loudest dB)"
    for order in 1 2; do
        below "${level[order - 1]}" "${level[16]}" 6 || fail "order $order (${level[order - 1]} dB) is not a quiet opening"
    done
    # Scenes 05 to 10: orders 4 and 5, 6 and 7, ... 14 and 15.
    total=0
    for reveal in 4 6 8 10 12 14; do
        drop=$(awk -v a="${level[reveal - 1]}" -v b="${level[reveal]}" 'BEGIN { printf "%.2f", a - b }')
        total=$(awk -v t="$total" -v d="$drop" 'BEGIN { print t + d }')
        awk -v d="$drop" 'BEGIN { exit !(d >= 1.5) }' ||
            fail "order $reveal (${level[reveal - 1]} dB) is not louder than its verse, order $((reveal + 1)) (${level[reveal]} dB)"
    done
    awk -v t="$total" 'BEGIN { exit !(t / 6 >= 3) }' ||
        fail "the reveals of scenes 05 to 10 are on average less than 3 dB above their verses ($total dB in all)"
    below "${level[15]}" "${level[13]}" 3 || fail "the breakdown (order 16) does not drop below the last reveal (order 14)"
    below "${level[17]}" "${level[16]}" 6 || fail "the credits (order 18) are not calmer than the flash"
fi

# Every reveal's entry (orders 4 to 14, even) and the flash's impact (order 17) land on the grid:
# the low band is quiet in the 1024 samples before the order begins and strong in the 1024 after.
for order in 4 6 8 10 12 14 17; do
    start=$(((order - 1) * orderSamples))
    ffmpeg -nostats -hide_banner -i "$work/dream.wav" \
        -af "atrim=start_sample=$((start - 1024)):end_sample=$((start + 1024)),lowpass=f=150,asetnsamples=n=1024:p=0,astats=metadata=1:reset=1,ametadata=print:key=lavfi.astats.Overall.RMS_level:file=$work/onset.txt" \
        -f null - 2>/dev/null
    mapfile -t onset < <(awk -F= '/RMS_level/ { print ($2 == "-inf" ? -200 : $2) }' "$work/onset.txt")
    echo "order $order downbeat: low band ${onset[0]:-?} dB before, ${onset[1]:-?} dB after"
    if [ "${#onset[@]}" != 2 ]; then
        fail "could not measure the downbeat of order $order"
    else
        awk -v a="${onset[0]}" -v b="${onset[1]}" 'BEGIN { exit !(b >= a + 12) }' ||
            fail "the downbeat of order $order is not on the grid"
    fi
done

# Measured as measure_soundtrack.py does, on the mid signal: order 1's level, the arc from scene 05's
# reveal to scene 10's, how alike the verses are and the reveals (spectrogram correlation), and in
# each reveal the band below 70 Hz against 70-250 Hz; then the goals the picture sets the music
# around it, with timeline seconds as the demo plays them.
NERETHVAL_BUILD=$build /usr/bin/python3 - "$source/tools/sync" "$mp3" <<'EOF' || fail "the scenes do not grow apart and up, their low end is boomy, or a moment of the picture goes unheard"
import sys
sys.path.insert(0, sys.argv[1])
import measure_soundtrack as measure
pcm = measure.decode(sys.argv[2])
levels = measure.order_levels(pcm)
arc = levels[measure.REVEALS[-1]] - levels[measure.REVEALS[0]]
print(f"mid level of order 1: {levels[1]:.1f} dB; order 14 over order 4: {arc:+.1f} dB")
ok = levels[1] >= -22 and arc >= 2.5
for name, orders in (("verse", measure.VERSES), ("reveal", measure.REVEALS)):
    pairs = measure.similarity(pcm, orders)
    correlation, first, second = pairs[0]
    print(f"most alike {name} orders: {first} and {second}, correlation {correlation:.3f}")
    ok &= correlation <= 0.75
# The reveals came last: of their pairs, those of neighbouring scenes.
neighbours = max(r for r, a, b in pairs if b - a == 2)
print(f"most alike neighbouring reveals: correlation {neighbours:.3f}")
ok &= neighbours <= 0.55
for order in measure.REVEALS:
    balance = measure.sub_under_bass(pcm, order)
    print(f"order {order}: below 70 Hz {balance:+.1f} dB against 70-250 Hz")
    ok &= balance <= -3
kick = float(measure.np.median(measure.kick_contrast(pcm, measure.REVEALS)))
hats = measure.order_share(pcm, 3, 5000, 12000)
climax = levels[17] - levels[14]
print(f"kick: 70-250 Hz falls {kick:.1f} dB by 150 ms (median); order 3: {100 * hats:.1f} % in 5-12 kHz; "
      f"order 17 over order 14: {climax:+.1f} dB")
ok &= kick >= 10 and hats >= 0.05 and climax >= 1
found = measure.onsets(pcm)
flare = measure.nearest_onset(found, measure.FLARE)
cadence = measure.nearest_onset(found, measure.CADENCE)
ending = measure.timeline_level(pcm, *measure.ENDING)
close = measure.rms_db(pcm[-measure.RATE // 4:])
print(f"nearest onsets: flare {1000 * flare:+.0f} ms, cadence {1000 * cadence:+.0f} ms; the black at "
      f"{ending:.1f} dB, the last quarter second at {close:.1f} dB")
ok &= abs(flare) <= 0.02 and abs(cadence) <= 0.03 and ending > -45 and close <= ending - 20
sys.exit(0 if ok else 1)
EOF

finish
