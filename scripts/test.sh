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
          x11-utils imagemagick e2fsprogs patch wixl msitools osslsigncode openssl)
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

parts=()  # each part's files (build/PART-junit.xml, -ctest.log, -gtest/), for the closing line
rc=0

# Runs the part named $1 (titled $2): the ctest command after them. ctest runs a test that failed
# once more (programs driven through an X server under Wine can miss a beat): a test that fails
# twice is a failure, and one that passed the second time is named as flaky at the end. Its
# JUnit report, and GoogleTest's report of each Windows test executable, give the counts.
run_part() {
  local name=$1 title=$2 part_rc
  shift 2
  local files=$root/build/$name
  step "$title"
  started=$SECONDS
  rm -rf "$files-junit.xml" "$files-gtest"
  local reports=
  # Natively each GoogleTest case is a ctest test of its own; a Windows test executable is one
  # ctest test, whose cases its report lists. Under Wine the folder is named by its Windows
  # path (drive Z: is the Unix root): GoogleTest writes no report to a Unix one.
  if [[ $name != native ]]; then
    mkdir -p "$files-gtest"
    local folder=$files-gtest/
    reports=xml:Z:${folder//\//\\}
  fi
  GTEST_OUTPUT=$reports "$@" --repeat until-pass:2 --output-junit "$files-junit.xml" 2>&1 | tee "$files-ctest.log"
  part_rc=${PIPESTATUS[0]}
  ((part_rc == 0)) || rc=1
  parts+=("$files")
  timed "$name tests" "$started"
}

if wants native; then
  run_part native "native tests" ctest --preset native -j "$jobs"
fi

if wants windows || wants gui; then
  prefix=$root/build/win64/wineprefix
  rm -rf "$prefix"
  export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
  # The GUI tests' pictures of their windows, to look at after a run.
  shots=$root/build/gui-shots
  rm -rf "$shots" && mkdir -p "$shots"
  export TESSALY_GUI_SHOTS=${TESSALY_GUI_SHOTS:-$shots} VARDOCK_GUI_SHOTS=${VARDOCK_GUI_SHOTS:-$shots}
fi
if wants windows; then
  run_part windows "Windows tests under Wine (the GUI tests apart)" \
    scripts/with-display.sh ctest --preset win64 -E '_gui_tests$'
fi
if wants gui; then
  # After the windows part the prefix is ready: its setup is neither run nor counted again.
  fixture=()
  if wants windows && grep -qE '<testcase name="wine_prefix_setup" .* status="run"' build/windows-junit.xml; then
    fixture=(-FS wine_prefix)
  fi
  run_part gui "GUI tests under Wine" scripts/with-display.sh ctest --preset win64 -R '_gui_tests$' "${fixture[@]}"
fi

echo
echo "times: ${times[*]/%/,}" | sed 's/,$//'
bash scripts/test-summary.sh "${parts[@]}"
exit "$rc"
