#!/usr/bin/env bash
# Measures, in one run and on the same input (1000 standard lines, 1000 customized entries):
# incmerge as a process against cp of the same file (the floor), GNU msgmerge -N on an
# equivalent PO pair of 1000 entries, and incmerge --base (three ways, with a previous standard
# file of 1000 lines) against incmerge; then the engine benchmark (the in-process file floor,
# the literal substring algorithm, three ways against two) with its ratios. Installs hyperfine, gettext (msgmerge), jq and
# Google Benchmark if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/ensure-packages.sh cmake ninja-build clang libbenchmark-dev hyperfine gettext jq

echo "== bench build"
cmake --preset bench >/dev/null
cmake --build --preset bench --target incmerge tessaly_merge_bench >/dev/null
incmerge=$root/build/bench/merge_tool/cli/incmerge
engine=$root/build/bench/merge_tool/tessaly_merge_bench

# Colours only on a terminal (the engine benchmark decides so itself).
if [[ -t 1 ]]; then style=full; else style=basic; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The engine benchmark's input: 900 phrases and 100 comment lines; every phrase customized.
for ((i = 0; i < 1000; i++)); do
  if ((i % 10 == 0)); then printf "' section %d = \"Standard text number %d\"\r\n" $i $i
  else printf 'CONST txtPhrase%d = "Standard text number %d"\r\n' $i $i; fi
done >std.inc
for ((i = 999; i >= 0; i--)); do printf 'CONST txtPhrase%d = "Customised text %d"\r\n' $i $i; done >custom.inc
# The standard file the customized one started from: every 20th phrase had another value, so
# each of those is a conflict; every customized entry differs from it, so all are carried.
for ((i = 0; i < 1000; i++)); do
  if ((i % 10 == 0)); then printf "' section %d\r\n" $i
  elif ((i % 20 == 1)); then printf 'CONST txtPhrase%d = "Previous text number %d"\r\n' $i $i
  else printf 'CONST txtPhrase%d = "Standard text number %d"\r\n' $i $i; fi
done >base.inc

# The same job for msgmerge: the new template (names as message ids, the section lines as
# comments) and the old translations of all 1000 entries.
header='msgid ""\nmsgstr ""\n"Content-Type: text/plain; charset=UTF-8\\n"\n\n'
{
  printf "$header"
  for ((i = 0; i < 1000; i++)); do
    ((i % 10 == 0)) && printf '# section %d\n' $i
    printf 'msgid "txtPhrase%d"\nmsgstr ""\n\n' $i
  done
} >ref.pot
{
  printf "$header"
  for ((i = 999; i >= 0; i--)); do printf 'msgid "txtPhrase%d"\nmsgstr "Customised text %d"\n\n' $i $i; done
} >def.po

echo "== sanity: each command does its job"
"$incmerge" -v std.inc custom.inc -o out.inc 2>verbose.txt
head -5 verbose.txt
"$incmerge" -v --base base.inc std.inc custom.inc -o out3.inc 2>verbose3.txt >/dev/null || (($? == 1))
grep -E '^(entries carried|entries unchanged|conflicts|gone)' verbose3.txt
msgmerge -q -N -o out.po def.po ref.pot
echo "msgmerge: $(grep -c '^msgstr "Customised' out.po) of 1000 entries carried over"

echo
echo "== processes (hyperfine)"
# incmerge --base exits with 1 (conflicts reported): hyperfine is told to accept it.
hyperfine -N -i --style "$style" --warmup 50 --min-runs 300 --export-json times.json \
  -n incmerge "$incmerge std.inc custom.inc -o out.inc" \
  -n "incmerge --base" "$incmerge --base base.inc std.inc custom.inc -o out3.inc" \
  -n cp "cp std.inc out-cp.inc" \
  -n "msgmerge -N" "msgmerge -q -N -o out.po def.po ref.pot"
mean() { jq -r --arg n "$1" '.results[] | select(.command == $n) | .mean' times.json; }
awk -v i="$(mean incmerge)" -v b="$(mean 'incmerge --base')" -v c="$(mean cp)" -v m="$(mean 'msgmerge -N')" 'BEGIN {
  printf "incmerge %.3f ms, incmerge --base %.3f ms, cp %.3f ms, msgmerge -N %.3f ms (means)\n", i * 1000, b * 1000, c * 1000, m * 1000
  printf "incmerge against cp: %.2fx (target: at most 1.5x)\n", i / c
  printf "incmerge --base against incmerge: %.2fx (target: at most 1.2x)\n", b / i
  printf "msgmerge -N against incmerge: %.2fx (target: at least 4x)\n", m / i
}'

echo
echo "== engine (Google Benchmark, median of 5)"
"$engine" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
