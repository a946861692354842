#!/usr/bin/env bash
# The release's signing (scripts/sign-release.sh, which release.sh runs when given a key) with a
# throwaway code-signing certificate made here with openssl: the programs given are signed in
# each of the key's forms and verify against that certificate's CA; a refused signing leaves a
# program as it was; a tampered signed program fails verification.
# usage: signing_test.sh PROGRAM.exe...
set -uo pipefail
sign=$(cd "$(dirname "$0")/.." && pwd)/sign-release.sh
(($#)) || { echo "usage: signing_test.sh PROGRAM.exe..."; exit 2; }
for tool in osslsigncode openssl; do
  command -v $tool >/dev/null || { echo "$tool is missing (bash scripts/test.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
programs=("$@")
failures=0
check() {  # DESCRIPTION COMMAND...: the command must succeed
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); return 1; fi
}
fails() { ! "$@"; }

# A CA, a code-signing certificate it issued, and a second CA that issued nothing here.
(
  cd "$work" || exit 1
  for ca in ca other; do
    openssl req -x509 -newkey rsa:2048 -nodes -keyout $ca.key -out $ca.pem -days 2 -subj "/CN=Throwaway $ca" \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign || exit 1
  done
  openssl req -newkey rsa:2048 -nodes -keyout sign.key -out sign.csr -subj "/CN=Throwaway code signing" || exit 1
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >sign.ext
  openssl x509 -req -in sign.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile sign.ext -out sign.pem &&
    cat sign.pem ca.pem >chain.pem &&
    openssl pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -passout pass:'pass word' -out sign.p12
) >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; echo "openssl could not make the certificates"; exit 1; }

# How the programs were given to sign-release.sh | its status | whether they come out signed.
p12="SIGN_PKCS12=$work/sign.p12"
cases=(
  "PKCS#12 and its password|$p12;SIGN_PASSWORD=pass word;SIGN_CAFILE=$work/ca.pem|0|signed"
  "PEM certificate chain and key|SIGN_CERT=$work/chain.pem;SIGN_KEY=$work/sign.key;SIGN_CAFILE=$work/ca.pem|0|signed"
  "a wrong password|$p12;SIGN_PASSWORD=wrong;SIGN_CAFILE=$work/ca.pem|1|unchanged"
  "verified against a CA that did not issue the certificate|$p12;SIGN_PASSWORD=pass word;SIGN_CAFILE=$work/other.pem|1|unchanged"
  "a certificate without its key|SIGN_CERT=$work/chain.pem;SIGN_CAFILE=$work/ca.pem|2|unchanged"
  "no key at all|SIGN_CAFILE=$work/ca.pem|2|unchanged"
)
n=0
for row in "${cases[@]}"; do
  IFS='|' read -r what settings want outcome <<<"$row"
  n=$((n + 1))
  dir=$work/case$n
  copies=()
  for program in "${programs[@]}"; do copies+=("$dir/$(basename "$program")"); done
  mkdir -p "$dir" && cp "${programs[@]}" "$dir/"
  IFS=';' read -ra environment <<<"$settings"
  env -u SIGN_PKCS12 -u SIGN_PASSWORD -u SIGN_CERT -u SIGN_KEY -u SIGN_TIMESTAMP_URL -u SIGN_CAFILE \
    "${environment[@]}" bash "$sign" "${copies[@]}" >"$dir.log" 2>&1
  status=$?
  check "$what: status $want ($status)" test "$status" = "$want" || cat "$dir.log"
  for program in "${programs[@]}"; do
    file=$dir/$(basename "$program")
    if [[ $outcome == unchanged ]]; then
      check "$what: $(basename "$file") left as built" cmp -s "$file" "$program"
      continue
    fi
    osslsigncode verify -CAfile "$work/ca.pem" -in "$file" >"$file.verify" 2>&1
    check "$what: $(basename "$file") verifies against the throwaway CA" grep -q '^Signature verification: ok' "$file.verify"
    check "$what: $(basename "$file") signed with SHA-256" grep -q '^Message digest algorithm  : SHA256' "$file.verify"
    check "$what: $(basename "$file") has no time stamp unless asked" grep -q '^Timestamp is not available' "$file.verify"
  done
done

# One byte of a signed program's code changed: its signature must no longer verify.
signed=$work/case1/$(basename "${programs[0]}")
cp "$signed" "$work/tampered.exe"
byte=$(od -An -tu1 -j4096 -N1 "$signed" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 255)))" | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc status=none
check "a tampered program differs from the signed one" fails cmp -s "$signed" "$work/tampered.exe"
check "a tampered program fails verification" fails osslsigncode verify -CAfile "$work/ca.pem" -in "$work/tampered.exe" >/dev/null 2>&1
check "without settings, --check-settings says there is no key (3)" \
  env -u SIGN_PKCS12 -u SIGN_CERT -u SIGN_KEY bash -c "bash '$sign' --check-settings; test \$? = 3"

echo
((failures == 0)) || { echo "$failures checks failed"; exit 1; }
echo "every check passed"
