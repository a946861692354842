#!/usr/bin/env bash
# Installs those of the Debian packages given that are missing (after one apt-get update), as
# root, or through sudo for another user. Nothing is missing: nothing runs, no root needed.
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0
echo "== installing: ${missing[*]}"
as_root=()
((EUID == 0)) || as_root=(sudo)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
