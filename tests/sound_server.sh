#!/usr/bin/env bash
# tier: full
# The sound device goes away under the whole demo and comes back, as when a sound server restarts:
# the demo plays to a private PulseAudio server with a null sink, which this test stops 3 s into
# scene 03 and starts again 25 s later. By the times its lines arrive, the demo keeps its pace
# through the loss and the return, plays to the server again within 2 s, ends with "end?", and its
# audio threads use no more CPU while the device is gone than while it plays.
# Arguments: build directory, source directory.
set -uo pipefail
build=$(cd "$1" && pwd)
source "$2/tests/support/check.sh"
command -v pulseaudio >/dev/null && command -v pactl >/dev/null ||
  give_up "pulseaudio and pactl are installed (scripts/setup.sh installs them)"

work=$(mktemp -d)
server=""
demo=""
cleanup() {
  [ -n "$demo" ] && kill "$demo" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait
  rm -rf "$work"
}
trap cleanup EXIT
# Everything of the server's and its clients' lives in $work: no other server or client sees it.
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
echo "autospawn = no" >"$work/client.conf"
export XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run HOME=$work/home
export PULSE_SERVER=unix:$work/run/native PULSE_CLIENTCONFIG=$work/client.conf

start_server() {
  DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --load=module-null-sink \
    --load="module-native-protocol-unix socket=$work/run/native auth-anonymous=1" >>"$work/server.log" 2>&1 &
  server=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  give_up "the sound server starts" "$work/server.log"
}

now() { echo "$EPOCHREALTIME"; }
# Each line of the demo's, after the time it arrived.
stamp() { while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done; }
# The time of the first line $2 in $1, or nothing.
time_of() { awk -v line="$2" '{ time = $1; sub(/^[^ ]* /, "") } $0 == line { print time; exit }' "$1"; }
wait_for_line() {
  for _ in $(seq 1200); do
    [ -n "$(time_of "$work/stdout" "$1")" ] && return 0
    sleep 0.1
  done
  give_up "a \"$1\" line within 120 s" "$work/stdout" "$work/stderr"
}
# CPU ticks of the demo as a whole, and of all its threads but the main one, which draws.
cpu_ticks() {
  local all main
  all=$(awk '{ print $14 + $15 }' "/proc/$demo/stat")
  main=$(awk '{ print $14 + $15 }' "/proc/$demo/task/$demo/stat")
  echo "$all $((all - main))"
}
# Process CPU ticks over the next 20 s: the demo's, then its audio threads'.
cpu_over_20s() {
  local before after
  before=$(cpu_ticks)
  sleep 20
  after=$(cpu_ticks)
  set -- $before $after
  echo "$(($3 - $1)) $(($4 - $2))"
}

start_server
# One thread draws, so all the others are the sound's.
(cd "$build/data" && exec env ALSOFT_DRIVERS=pulse LP_NUM_THREADS=0 "$build/nerethval") \
  > >(stamp >"$work/stdout") 2> >(stamp >"$work/stderr") &
demo=$!
wait_for_line "scene 03"
sleep "$(awk -v at="$(time_of "$work/stdout" "scene 03")" -v now="$(now)" 'BEGIN { print at + 3 - now }')"
kill "$server"
wait "$server"
stopped=$(now)
sleep 2
read -r demo_gone audio_gone <<<"$(cpu_over_20s)"
sleep "$(awk -v at="$stopped" -v now="$(now)" 'BEGIN { print at + 25 - now }')"
start_server
restarted=$(now)
back=""
for _ in $(seq 50); do
  [ -n "$(pactl list short sink-inputs)" ] && { back=$(now); break; }
  sleep 0.1
done
sleep 2
read -r demo_on audio_on <<<"$(cpu_over_20s)"
# The rest of the demo is under 3 minutes; a stalled one is stopped.
for _ in $(seq 2400); do
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
kill "$demo" 2>/dev/null
wait "$demo"
status=$?
demo=""

echo "lines with their times, from the stop of the server (stdout, then stderr):"
awk -v t0="$stopped" '{ printf "%8.3f %s\n", $1 - t0, substr($0, index($0, " ") + 1) }' "$work/stdout" |
  grep -E ' (scene [0-9]+|HEJ!!!|end\?)$'
awk -v t0="$stopped" '{ printf "%8.3f %s\n", $1 - t0, substr($0, index($0, " ") + 1) }' "$work/stderr" | grep audio:
echo "server started again at 25 s, a stream on it at ${back:+$(awk -v a="$back" -v b="$stopped" 'BEGIN { print a - b }')} s"
echo "CPU ticks over 20 s, whole demo / audio threads: sound on $demo_on / $audio_on, device gone $demo_gone / $audio_gone"

check "the demo ends with status 0" [ "$status" -eq 0 ]
check "\"end?\" is the last line" [ "$(tail -n 1 "$work/stdout" | cut -d' ' -f2-)" = "end?" ]
check "standard output holds only the demo's own lines" eval '! grep -q "audio\|sound" "$work/stdout"'
check "one line says the sound is gone, one that it is back" \
  [ "$(grep -c "sound device is gone" "$work/stderr") $(grep -c "sound device is back" "$work/stderr")" = "1 1" ]
check "a stream plays on the server within 2 s of its return" \
  awk -v a="$back" -v b="$restarted" 'BEGIN { exit !(a != "" && a - b <= 2) }'
While the device is gone the demo's clock is the steady
# clock, so the lines from scene 03 (whose order the loss cuts) through scene 06 (6 s after the
# return) are judged against it; later the sound server's clock leads, which a busy machine can
# hold up. A scene's line comes with the first frame drawn in its order, so it can come late, never
# early: the earliest line sets the start, and every line is due within 0.5 s after it.
order=$(timeline orderSeconds)
check "every order from scene 03 to scene 06 lasts $order s, no line more than 0.5 s late" \
  awk -v order="$order" -v firsts="$(for scene in 03 04 05 06; do echo "scene $scene=$(first_order "scene $scene")"; done)" '
    BEGIN { scenes = split(firsts, pairs, "\n"); for (i = 1; i <= scenes; ++i) { split(pairs[i], pair, "="); first[pair[1]] = pair[2] } }
    { time = $1; sub(/^[^ ]* /, "") }
    $0 in first && !($0 in at) { at[$0] = time; start = time - first[$0] * order; if (n++ == 0 || start < earliest) earliest = start }
    END {
      for (line in first) {
        if (!(line in at)) exit 1
        late = at[line] - first[line] * order - earliest
        printf "  %s %.3f s late\n", line, late
        if (late > 0.5) bad = 1
      }
      exit bad
    }' "$work/stdout"
check "43 s after the stop the demo is at scene 05 or 06" \
  awk -v t="$stopped" '{ time = $1; sub(/^[^ ]* /, "") } /^scene / && time <= t + 43 { last = $0 }
    END { exit !(last == "scene 05" || last == "scene 06") }' "$work/stdout"
# Up to scene 03 the run is one without a loss; without one, "end?" would follow 18 orders later.
awk -v a="$(time_of "$work/stdout" "scene 03")" -v b="$(time_of "$work/stdout" "end?")" -v order="$order" \
  'BEGIN { printf "\"end?\" came %.3f s after scene 03 and 18 orders\n", b - a - 18 * order }'
check "the audio threads use no more CPU while the device is gone than while it plays" \
  [ "$audio_gone" -le "$audio_on" ]

finish
