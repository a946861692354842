#!/usr/bin/env bash
# scripts/test.sh's parts: a word it does not know, or two, is refused with the usage before
# anything is installed or built (it would otherwise run all of the tests, for minutes).
set -uo pipefail
script=$(dirname "$0")/../test.sh
failures=0
check() {  # expected status, then test.sh's arguments
  local expected=$1 out rc
  shift
  out=$(timeout 10 bash "$script" "$@" 2>&1)
  rc=$?
  if [[ $rc != "$expected" || $out != usage:* || $out == *"=="* ]]; then
    echo "FAIL test.sh $*: status $rc (expected $expected), output: ${out:0:300}"
    failures=$((failures + 1))
  else
    echo "ok   test.sh $*: status $rc"
  fi
}
check 2 nonsense
check 2 gui windows
check 2 Native
check 0 --help
# The usage names every part. (Read whole first: grep -q on a pipe can end the writer early.)
help=$(bash "$script" --help)
for part in native windows gui --build-only; do
  grep -qE "^  $part " <<<"$help" || { echo "FAIL usage lacks $part"; failures=$((failures + 1)); }
done
((failures == 0))
