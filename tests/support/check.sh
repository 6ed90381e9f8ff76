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
