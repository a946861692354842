#!/usr/bin/env bash
# The README's WiX example must be examples/setup/vardock.wxi's text (between <Include> and
# </Include>), which the MSI test compiles and installs: the two cannot drift apart.
# usage: readme_example_test.sh README.md vardock.wxi
set -uo pipefail
readme=${1:?usage: readme_example_test.sh README.md vardock.wxi} example=${2:?usage: readme_example_test.sh README.md vardock.wxi}
# The README's xml block that holds the example's first action.
block=$(awk '/^```xml$/ { inside = 1; text = ""; next }
             inside && /^```$/ { inside = 0; if (text ~ /CustomAction Id="VardockAdd"/) print text; next }
             inside { text = text $0 "\n" }' "$readme")
file=$(sed -n '/^<Include>$/,/^<\/Include>$/p' "$example" | sed '1d;$d')
[[ -n $block ]] || { echo "FAIL: no xml block with VardockAdd in $readme"; exit 1; }
[[ -n $file ]] || { echo "FAIL: no <Include> ... </Include> in $example"; exit 1; }
if [[ $block != "$file" ]]; then
  echo "FAIL: the README's WiX example is not $example's text:"
  diff <(printf '%s\n' "$file") <(printf '%s\n' "$block") | sed 's/^</example:/; s/^>/README: /'
  exit 1
fi
echo "ok   the README's WiX example is $example's text"
