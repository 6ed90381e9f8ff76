# Sourced by the script tests: check WHAT COMMAND... runs one check and counts it; a failure names
# the script and WHAT. The script ends with its counts.
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "$(basename "$0" .sh): FAILED: $what"
  fi
}

# timeline KEY: one value of the timeline as the build wrote it ($build/timeline.json: orderSeconds,
# orderSamples, endOrder...), so that no script spells the tempo again.
timeline() {
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$build/timeline.json" "$1"
}
