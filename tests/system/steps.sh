# The steps of a check that ctest runs as one test; sourced, not run.
#
#   step NAME COMMAND...   runs COMMAND; prints "ok   NAME", or "FAIL NAME" with the last lines
#                          COMMAND printed, and then ends the check: the steps after a failed
#                          one would only describe its consequences.

step_output="$(mktemp -t brellow-step.XXXXXX)"
trap 'rm -f "$step_output"' EXIT

step() {
  local name="$1"
  shift
  if "$@" >"$step_output" 2>&1; then
    echo "ok   $name"
  else
    echo "FAIL $name"
    uniq "$step_output" | tail -n 30 | sed 's/^/     /'
    exit 1
  fi
}
