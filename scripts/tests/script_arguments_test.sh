#!/usr/bin/env bash
# The set-up scripts' words: one they do not know, or one too many, is refused with the usage
# and status 2 before anything is installed or built (test.sh would otherwise run all of the
# tests, for minutes, and run.sh start another program than the one asked for).
set -uo pipefail
scripts=$(dirname "$0")/..
failures=0
check() {  # expected status, the script, then its arguments
  local expected=$1 script=$2 out rc
  shift 2
  out=$(timeout 10 bash "$scripts/$script" "$@" 2>&1)
  rc=$?
  if [[ $rc != "$expected" || $out != usage:* || $out == *"=="* || $out == *building* ]]; then
    echo "FAIL $script $*: status $rc (expected $expected), output: ${out:0:300}"
    failures=$((failures + 1))
  else
    echo "ok   $script $*: status $rc"
  fi
}
check 2 test.sh nonsense
check 2 test.sh gui windows
check 2 test.sh Native
check 0 test.sh --help
check 2 run.sh vardock iis7
check 2 run.sh vardock iis10 again
check 2 run.sh iis10
check 2 run.sh foo
check 2 run.sh "vardock iis10"
check 2 run.sh tessaly vardock
check 0 run.sh --help
# The usages name every word. (Read whole first: grep -q on a pipe can end the writer early.)
help=$(bash "$scripts/test.sh" --help)
for part in native windows gui --build-only; do
  grep -qE "^  $part " <<<"$help" || { echo "FAIL test.sh's usage lacks $part"; failures=$((failures + 1)); }
done
help=$(bash "$scripts/run.sh" --help)
for word in tessaly "vardock \[iis6 \| iis10\]"; do
  grep -qE "$word" <<<"$help" || { echo "FAIL run.sh's usage lacks $word"; failures=$((failures + 1)); }
done
((failures == 0))
