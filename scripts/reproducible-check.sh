#!/usr/bin/env bash
# Builds the release twice, from two fresh clones of one commit in folders of different names, at
# different times, the second with another time zone, locale and umask, and compares the two
# dist/ folders byte for byte. Both are release.sh's defaults: unsigned, the commit's time as
# time stamp. Slow (two full release builds), so not part of test.sh.
# Exit status: 0 identical, 1 they differ (each differing file is listed, with the PE header
# fields its differing bytes fall in), 2 usage or build failure.
# --compare DIST1 DIST2 compares two dist/ folders only (yours with a release's, for instance).
usage="usage: bash scripts/reproducible-check.sh [COMMIT]   (default: HEAD; KEEP=1 keeps the clones)
       bash scripts/reproducible-check.sh --compare DIST1 DIST2"
set -euo pipefail
cd "$(dirname "$0")/.."
[[ ${1:-} == -h || ${1:-} == --help ]] && { echo "$usage"; exit 0; }

# The PE header field holding the byte at offset $2 of file $1, when it is one of those that a
# link can vary (the time stamp, the checksum); else the offset alone.
pe_field() {
  local pe off=$2
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')  # e_lfanew: where "PE\0\0" starts
  if ((off >= pe + 8 && off < pe + 12)); then echo "TimeDateStamp (COFF header)"
  elif ((off >= pe + 24 + 64 && off < pe + 24 + 68)); then echo "CheckSum (optional header)"
  else echo "offset $off"; fi
}

# Compares the dist/ folders $1 and $2 (named $3 in the report); status 0 when they are the same.
compare() {
  local a=$1 b=$2 f count fields
  if diff -r "$a" "$b" >/dev/null; then
    echo "dist/ is the same in both $3:"
    cat "$a/SHA256SUMS"
    return 0
  fi
  echo "dist/ differs between $3:"
  diff -rq "$a" "$b" | grep -v 'differ$' || true
  while read -r f; do
    [[ -f $b/$f ]] && ! cmp -s "$a/$f" "$b/$f" || continue
    if [[ $f != *.exe ]]; then
      echo "  $f:"
      diff "$a/$f" "$b/$f" | sed 's/^/    /' | head -20 || true
      continue
    fi
    count=$(cmp -l "$a/$f" "$b/$f" 2>/dev/null | wc -l || true)
    fields=$( (cmp -l "$a/$f" "$b/$f" 2>/dev/null || true) | while read -r off _; do pe_field "$a/$f" $((off - 1)); done |
             uniq -c | sed 's/^ *//' | head -8 | paste -sd ';' | sed 's/;/; /g' || true)
    echo "  $f: $count bytes differ: $fields"
  done < <(cd "$a" && find . -type f -printf '%P\n' | sort)
  return 1
}

if [[ ${1:-} == --compare ]]; then
  (($# == 3)) || { echo "$usage" >&2; exit 2; }
  compare "$2" "$3" "$2 and $3"
  exit
fi
(($# <= 1)) || { echo "$usage" >&2; exit 2; }
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}") || { echo "$usage" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/reproducible-check.XXXXXX")
[[ ${KEEP:-} == 1 ]] || trap 'rm -rf "$work"' EXIT
for clone in first second-build; do
  git clone -q --no-checkout "$PWD" "$work/$clone"
  git -C "$work/$clone" checkout -q --detach "$commit"
  echo "== release from $work/$clone"
  settings=(-u SOURCE_DATE_EPOCH -u SIGN_PKCS12 -u SIGN_CERT -u SIGN_KEY)
  [[ $clone == first ]] || settings+=(TZ=Pacific/Chatham LANG=de_DE.UTF-8 LC_ALL=)
  (cd "$work/$clone" && umask "$([[ $clone == first ]] && echo 022 || echo 077)" &&
     env "${settings[@]}" bash scripts/release.sh >"$work/$clone.log" 2>&1) ||
    { echo "release.sh failed in $work/$clone:"; tail -20 "$work/$clone.log"; exit 2; }
done
compare "$work/first/dist" "$work/second-build/dist" "builds of $commit"
