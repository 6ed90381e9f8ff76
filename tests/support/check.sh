# Sourced by every script test, which all fail the same way:
#   check WHAT COMMAND...  runs one check and counts it; a failure names the script and WHAT.
#   fail WHAT              counts one failed check found otherwise, and goes on.
#   give_up WHAT [LOG...]  a failure after which nothing is worth checking: shows the last lines of
#                          each LOG (and of the files $give_up_logs names), the counts, and exits 1.
#   finish                 the counts; exits 1 if any check failed.
# It also reads the timeline as the build wrote it (timeline KEY) and checks a console transcript
# against the demo's console lines (transcript FILE cut|end|whole).
passed=0
failed=0
script=$(basename "$0" .sh)
give_up_logs=""
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    fail "$what"
  fi
}
fail() {
  failed=$((failed + 1))
  echo "$script: FAILED: $1"
}
give_up() {
  fail "$1"
  shift
  local log
  # shellcheck disable=SC2086
  for log in "$@" $give_up_logs; do
    [ -f "$log" ] && { echo "--- $log (last lines)"; tail -n 15 "$log"; }
  done
  echo "$passed passed, $failed failed"
  exit 1
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ] || exit 1
  exit 0
}

# timeline KEY: one value of the timeline as the build wrote it ($build/timeline.json: orderSeconds,
# orderSamples, endOrder...), so that no script spells the tempo again.
timeline() {
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$build/timeline.json" "$1"
}

# first_order SHOWING: the first module order that shows SHOWING ("scene 03"), from the same file.
first_order() {
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["orders"].index(sys.argv[2]))' "$build/timeline.json" "$1"
}

# transcript FILE KIND: the demo's standard output, line by line as the demo may print it: the
# start-up lines (load errors each after an empty line), then scenes in timeline order, "bubbles"
# in scenes 05 to 10, "HEJ!!!" in scene 05, "done" in scene 11 before the flash's timer values,
# "end?" last. KIND says how the run ended: "cut" (before order 20: no "end?"), "end" (one "end?",
# the last line), "whole" (the whole demo: also every scene, "HEJ!!!" once, "done" and the flash).
# Prints what is wrong; true when nothing is.
transcript() {
  awk -v kind="$2" '
    function wrong(message) { print "  " FILENAME ": " message; bad = 1 }
    NR == 1 { if ($0 != "created render window") wrong("line 1 is \"" $0 "\""); next }
    !loaded {
      if ($0 == "") { blank = NR; next }
      if (blank != NR - 1) wrong("line " NR " does not follow an empty line")
      if ($0 == "generic data loaded") loaded = NR
      else if ($0 !~ /^Error while loading (font|texture [a-z]+)!$/) wrong("unexpected line " NR " in start-up: \"" $0 "\"")
      next
    }
    /^scene [0-9][0-9]$/ {
      number = substr($0, 7) + 0
      if (number <= scene || number > 11) wrong("line " NR " is \"" $0 "\" after scene " scene)
      scene = number; ++scenes
      next
    }
    $0 == "HEJ!!!" { ++hej; if (scene != 5) wrong("\"HEJ!!!\" outside scene 05, line " NR); next }
    $0 == "bubbles" { if (scene < 5 || scene > 10) wrong("\"bubbles\" outside scenes 05 to 10, line " NR); next }
    $0 == "done" { ++dones; if (scene != 11 || numbers) wrong("\"done\" outside scene 11, line " NR); next }
    /^[0-9]+(\.[0-9]+)?(e-[0-9]+)?$/ { ++numbers; if (scene != 11) wrong("a flash timer before scene 11, line " NR); next }
    $0 == "end?" { ++ends; endAt = NR; next }
    { wrong("unexpected line " NR ": \"" $0 "\"") }
    END {
      if (!loaded) wrong("no \"generic data loaded\"")
      if (kind == "cut" && ends) wrong("\"end?\" in a run that ended before order 20")
      if (kind != "cut" && (ends != 1 || endAt != NR)) wrong("\"end?\" is not the one last line")
      if (kind == "whole") {
        if (scenes != 11) wrong(scenes + 0 " scene lines instead of 11")
        if (hej != 1) wrong("\"HEJ!!!\" printed " hej + 0 " times")
        if (!dones) wrong("scene 11 never printed \"done\"")
        if (!numbers) wrong("the flash printed no timer")
      }
      exit bad
    }' "$1"
}
