#!/usr/bin/env bash
# The closing line of scripts/test.sh: "N passed, M failed", counting test cases.
#
#   bash scripts/test-summary.sh PART...
#
# Each PART names the files of one ctest run: PART-junit.xml (ctest --output-junit), PART-ctest.log
# (ctest's output) and, when it exists, the folder PART-gtest/ of GoogleTest's XML reports
# (GTEST_OUTPUT=xml:PART-gtest/), one per executable. A ctest test whose executable left a
# report there counts as its GoogleTest cases; any other ctest test counts as one case. A test
# that ctest ran again (--repeat until-pass) and that then passed is named as flaky, before the
# counts; so are the skipped ones, which count neither way.
set -uo pipefail

passed=0 failed=0 skipped=0 flaky=()
for part in "$@"; do
  junit=$part-junit.xml log=$part-ctest.log reports=$part-gtest
  if [[ ! -s $junit ]]; then
    # ctest did not get as far as its report: the whole part failed.
    echo "no test report $junit" >&2
    failed=$((failed + 1))
    continue
  fi
  # One line per ctest test: name, then passed, failed or skipped.
  results=$(awk '
    function finish() {
      if (name == "") return
      if (status == "run") r = "passed"
      else if (status == "notrun" && skip ~ /^SKIP_/) r = "skipped"  # the test said so itself
      else if (status == "disabled") r = "skipped"
      else r = "failed"  # failed, or not run for a missing executable or a failed fixture
      print name, r
      name = ""
    }
    /<testcase / {
      finish()
      match($0, / name="[^"]*"/); name = substr($0, RSTART + 7, RLENGTH - 8)
      match($0, / status="[^"]*"/); status = substr($0, RSTART + 9, RLENGTH - 10)
      skip = ""
    }
    /<skipped message="/ { match($0, /message="[^"]*"/); skip = substr($0, RSTART + 9, RLENGTH - 10) }
    END { finish() }' "$junit")
  while read -r name result; do
    [[ -n $name ]] || continue
    # Failed at first, passed when run again.
    if [[ $result == passed ]] && grep -F ": $name " "$log" 2>/dev/null | grep -q '\*\*\*'; then
      flaky+=("$name")
    fi
    report=$reports/$name.xml
    if [[ -f $report ]]; then
      # GoogleTest's cases: "<testcase" opens each, a "<failure" inside marks it failed.
      read -r p f s < <(awk '
        function finish() {
          if (!open) return
          if (skipped) s++; else if (bad) f++; else p++
          open = 0
        }
        /^ *<testcase name="/ { finish(); open = 1; bad = 0; skipped = / result="skipped"/ || / status="notrun"/ }
        /^ *<failure / { bad = 1 }
        END { finish(); print p + 0, f + 0, s + 0 }' "$report")
      # A test that failed without a failed case (a crash, a timeout) counts one failure more.
      [[ $result == failed && $f == 0 ]] && f=1
      passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
    else
      case $result in
        passed) passed=$((passed + 1)) ;;
        skipped) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)) ;;
      esac
    fi
  done <<<"$results"
done

line=
((skipped == 0)) || line+="$skipped skipped; "
((${#flaky[@]} == 0)) || line+="flaky (failed, then passed when run again): ${flaky[*]}; "
echo "$line$passed passed, $failed failed"
