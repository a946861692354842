#!/usr/bin/env bash
# test.sh's closing line from ctest's JUnit report, its log and GoogleTest's reports: each kind
# of result counted once, in test cases, and a test that passed only when run again named.
set -uo pipefail
summary=$(dirname "$0")/../test-summary.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # expected line, then the parts
  local expected=$1 got
  shift
  got=$(bash "$summary" "$@" 2>/dev/null)
  if [[ $got == "$expected" ]]; then
    echo "ok   $expected"
  else
    echo "FAIL expected: $expected"
    echo "     got:      $got"
    failures=$((failures + 1))
  fi
}
testcase() {  # ctest's JUnit line for name $1 with status $2, and a skip reason $3 if any
  echo "	<testcase name=\"$1\" classname=\"$1\" time=\"0.1\" status=\"$2\">"
  [[ -n ${3:-} ]] && echo "		<skipped message=\"$3\"/>"
  [[ $2 == fail ]] && echo '		<failure message=""/>'
  echo '		<system-out></system-out>'
  echo '	</testcase>'
}
gtest_case() {  # GoogleTest's line for a case: passed, failed or skipped
  local result=completed
  [[ $1 == skipped ]] && result=skipped
  echo "    <testcase name=\"C$RANDOM\" file=\"x.cpp\" line=\"1\" status=\"run\" result=\"$result\" time=\"0\" classname=\"S\">"
  if [[ $1 == failed ]]; then
    printf '      <failure message="x.cpp:2&#x0A;Expected" type=""><![CDATA[x.cpp:2\n<testcase in a message\n]]></failure>\n'
  fi
  echo '    </testcase>'
}
gtest_report() {  # file, then each case's result
  local file=$1
  shift
  { echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<testsuites tests="0" name="AllTests">'
    echo '  <testsuite name="S">'
    for r in "$@"; do gtest_case "$r"; done
    echo '  </testsuite>'
    echo '</testsuites>'; } >"$file"
}

mkdir -p "$work/p-gtest"
{ echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<testsuite name="(empty)" tests="8">'
  testcase a run
  testcase ab run
  testcase b fail
  testcase c notrun SKIP_REGULAR_EXPRESSION_MATCHED
  testcase d notrun "Fixture dependency failed"
  testcase w run
  testcase x fail
  testcase y fail
  echo '</testsuite>'; } >"$work/p-junit.xml"
cat >"$work/p-ctest.log" <<'LOG'
1/8 Test #1: a ................................   Passed    0.01 sec
2/8 Test #2: ab ...............................***Failed    0.01 sec
    Test #2: ab ...............................   Passed    0.01 sec
3/8 Test #3: b ................................***Failed    0.01 sec
    Test #3: b ................................***Failed    0.01 sec
LOG
gtest_report "$work/p-gtest/w.xml" passed skipped passed
gtest_report "$work/p-gtest/x.xml" passed failed passed
gtest_report "$work/p-gtest/y.xml" passed passed  # failed without a failed case: it crashed
# a, ab; w's two; x's two and one failure; y's two, and one failure for its end; b; d.
expect "2 skipped; flaky (failed, then passed when run again): ab; 8 passed, 4 failed" "$work/p"
# A part without a report failed as a whole.
expect "2 skipped; flaky (failed, then passed when run again): ab; 8 passed, 5 failed" "$work/p" "$work/missing"
((failures == 0))
