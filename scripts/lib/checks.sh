# Named checks for the scripts that check a built program; sourced, not run.
#
#   check NAME COMMAND...   runs COMMAND; prints PASS or FAIL with NAME, and on failure the
#                           last lines COMMAND printed
#   checks_finish [LABEL]   prints "[LABEL: ]N passed, M failed" and fails when any failed

checks_passed=0 checks_failed=0
checks_output="$(mktemp -t brellow-check.XXXXXX)"

check() {
  local name="$1"
  shift
  if "$@" >"$checks_output" 2>&1; then
    checks_passed=$((checks_passed + 1))
    echo "PASS  $name"
  else
    checks_failed=$((checks_failed + 1))
    echo "FAIL  $name"
    uniq "$checks_output" | tail -n 30 | sed 's/^/      /'
  fi
}

checks_finish() {
  rm -f "$checks_output"
  echo "${1:+$1: }$checks_passed passed, $checks_failed failed"
  [ "$checks_failed" -eq 0 ]
}
