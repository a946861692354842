#!/usr/bin/env bash
# Installs what the build needs, builds, and runs the tests: natively (sanitizers, a short fuzz
# run) and under Wine with a fresh prefix on a virtual display. Prints how long each part took.
usage="usage: bash scripts/test.sh [native|windows|gui|--build-only]
  (nothing)     every preset built, every test run (what CI runs)
  native        the native preset: unit tests with sanitizers, the short fuzz run
  windows       the win64 preset: the Windows tests under Wine except the GUI tests
  gui           the win64 preset: the GUI tests under Wine (tessaly_gui_tests, vardock_gui_tests)
  --build-only  installs the packages and builds every preset, runs nothing"
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

part=${1:-all}
case $part in
  all | native | windows | gui | --build-only) ;;
  -h | --help) echo "$usage"; exit 0 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
(($# <= 1)) || { echo "$usage" >&2; exit 2; }

packages=(cmake ninja-build clang libclang-rt-14-dev googletest libbenchmark-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 fonts-wine xvfb xauth
          x11-utils imagemagick e2fsprogs wixl msitools osslsigncode openssl)
bash scripts/ensure-packages.sh "${packages[@]}" || exit 1

jobs=$(nproc)
step() { echo; echo "== $*"; }
# "1m05s" for the seconds since $1.
took() { local s=$((SECONDS - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }
times=()
timed() {  # records how long the part named $1, started at $2, took
  times+=("$1 $(took "$2")")
  echo "-- $1 took $(took "$2")"
}

started=$SECONDS
wants() { [[ $part == all || $part == --build-only || $part == "$1" ]]; }
if wants native; then
  step "native build"
  cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs" || exit 1
fi
if wants windows || wants gui; then
  step "win64 build";   cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "$jobs" || exit 1
  built=(build/win64)
  if [[ $part == all || $part == --build-only ]]; then
    step "win32 build"
    cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" || exit 1
    built+=(build/win32)
  fi
  step "static linking"
  bash scripts/check-static.sh $(find "${built[@]}" \( -name '*.exe' -o -name '*.dll' \) \
                                  -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*') || exit 1
  echo "no MinGW runtime DLL imported"
fi
timed build "$started"
[[ $part == --build-only ]] && exit 0

logs=()  # each part's ctest log, with its rerun log beside it when there was one
rc=0

if wants native; then
  step "native tests"
  started=$SECONDS
  ctest --preset native -j "$jobs" 2>&1 | tee build/native-ctest.log
  ((PIPESTATUS[0] == 0)) || rc=1
  logs+=(build/native-ctest.log)
  timed "native tests" "$started"
fi

# Runs the Windows tests of the part named $1 (ctest's selection in the other arguments) on a
# display, and those that failed once more.
wine_part() {
  local name=$1 title=$2 part_rc
  shift 2
  local log=build/$name-ctest.log rerun=build/$name-rerun.log
  step "$title"
  started=$SECONDS
  scripts/with-display.sh ctest --preset win64 "$@" 2>&1 | tee "$log"
  part_rc=${PIPESTATUS[0]}
  rm -f "$rerun"
  if ((part_rc != 0)); then
    # Programs driven through an X server under Wine can miss a beat; a test that fails twice is
    # a failure. The first failure stays above, to be looked into.
    step "$title: those that failed, once more"
    scripts/with-display.sh ctest --preset win64 --rerun-failed "$@" 2>&1 | tee "$rerun"
    part_rc=${PIPESTATUS[0]}
  fi
  ((part_rc == 0)) || rc=1
  logs+=("$log")
  timed "$name tests" "$started"
}

if wants windows || wants gui; then
  prefix=$root/build/win64/wineprefix
  rm -rf "$prefix"
  export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
  # The GUI tests' pictures of their windows, to look at after a run.
  shots=$root/build/gui-shots
  rm -rf "$shots" && mkdir -p "$shots"
  export TESSALY_GUI_SHOTS=${TESSALY_GUI_SHOTS:-$shots} VARDOCK_GUI_SHOTS=${VARDOCK_GUI_SHOTS:-$shots}
  rm -f build/win64-ctest.log build/win64-rerun.log  # the logs' names before the parts
fi
if wants windows; then
  wine_part windows "Windows tests under Wine (the GUI tests apart)" -E '_gui_tests$'
fi
if wants gui; then
  # After the windows part the prefix is ready: its setup is neither run nor counted again.
  fixture=()
  if wants windows && grep -qE 'wine_prefix_setup \.+ +Passed' build/windows-ctest.log; then
    fixture=(-FS wine_prefix)
  fi
  wine_part gui "GUI tests under Wine" -R '_gui_tests$' "${fixture[@]}"
fi

# One closing line for every part.
total_in() { grep -oE 'out of [0-9]+' "$1" | tail -1 | grep -oE '[0-9]+'; }
fails_in() { grep -oE '[0-9]+ tests failed' "$1" | tail -1 | grep -oE '[0-9]+'; }
passed=0 failed=0 reran=()
for log in "${logs[@]}"; do
  total=$(total_in "$log") fails=$(fails_in "$log")
  # What failed once and passed when run again counts as passed.
  rerun=${log%-ctest.log}-rerun.log
  if [[ -f $rerun ]]; then
    fails=$(fails_in "$rerun")
    reran+=("${log#build/}")
  fi
  total=${total:-0} fails=${fails:-1}
  passed=$((passed + total - fails)) failed=$((failed + fails))
done
echo
echo "times: ${times[*]/%/,}" | sed 's/,$//'
echo "$passed passed, $failed failed"
((${#reran[@]} == 0)) ||
  echo "(tests that failed at first and were run again: see \"those that failed, once more\" above)"
exit "$rc"
