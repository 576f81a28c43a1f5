# The package checks' one way of telling, sourced by them:
#   check <description> <command...>   runs the command, prints "ok" or "FAIL", counts failures
#   same <got> <expected>              true when equal, else shows both
#   finishChecks                       prints the count and exits non-zero on any failure
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
same() { [ "$1" = "$2" ] || { echo "     got:      $1"; echo "     expected: $2"; return 1; }; }
finishChecks() {
  echo "$failures failed"
  [ "$failures" -eq 0 ]
}
