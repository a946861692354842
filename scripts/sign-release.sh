#!/usr/bin/env bash
# Signs the Windows programs given (Authenticode, SHA-256, with osslsigncode) in place, then checks
# each: its signature verifies against the trusted certificates, and without the signature it is
# byte for byte the program as built. release.sh runs it on dist/ when it is given a key.
#
#   SIGN_PKCS12=file.p12 [SIGN_PASSWORD=...]                 the certificate chain and key in PKCS#12
#   SIGN_CERT=chain.pem SIGN_KEY=key.pem [SIGN_PASSWORD=...]  or in PEM
#   SIGN_TIMESTAMP_URL=url   an RFC 3161 time-stamp server (none by default: the build needs no network)
#   SIGN_CAFILE=file.pem     the certificates to verify against (default: the system's, as osslsigncode's)
#
# --check-settings: only says whether the settings name a key (status 0), none (status 3), or are
# incomplete or wrong (status 2, with the reason), so that release.sh can stop before it builds.
set -euo pipefail

settings() {
  if [[ -n ${SIGN_PKCS12:-} ]]; then
    [[ -z ${SIGN_CERT:-}${SIGN_KEY:-} ]] || { echo "give SIGN_PKCS12 or SIGN_CERT with SIGN_KEY, not both" >&2; return 2; }
    [[ -r $SIGN_PKCS12 ]] || { echo "SIGN_PKCS12: cannot read $SIGN_PKCS12" >&2; return 2; }
  elif [[ -n ${SIGN_CERT:-}${SIGN_KEY:-} ]]; then
    [[ -n ${SIGN_CERT:-} && -n ${SIGN_KEY:-} ]] || { echo "SIGN_CERT and SIGN_KEY go together" >&2; return 2; }
    [[ -r $SIGN_CERT ]] || { echo "SIGN_CERT: cannot read $SIGN_CERT" >&2; return 2; }
    [[ -r $SIGN_KEY ]] || { echo "SIGN_KEY: cannot read $SIGN_KEY" >&2; return 2; }
  else
    return 3
  fi
  [[ -z ${SIGN_CAFILE:-} || -r $SIGN_CAFILE ]] || { echo "SIGN_CAFILE: cannot read $SIGN_CAFILE" >&2; return 2; }
}

if [[ ${1:-} == --check-settings ]]; then
  settings
  exit
fi
(($#)) || { echo "usage: SIGN_PKCS12=... bash scripts/sign-release.sh FILE.exe..." >&2; exit 2; }
status=0
settings || status=$?
((status == 0)) || { ((status == 3)) && echo "no signing key given (SIGN_PKCS12, or SIGN_CERT and SIGN_KEY)" >&2; exit 2; }
bash "$(dirname "$0")/ensure-packages.sh" osslsigncode

key=()
if [[ -n ${SIGN_PKCS12:-} ]]; then key=(-pkcs12 "$SIGN_PKCS12"); else key=(-certs "$SIGN_CERT" -key "$SIGN_KEY"); fi
# The password goes through a pipe, not the command line, where other users could read it.
[[ -z ${SIGN_PASSWORD:-} ]] || key+=(-readpass -)
stamp=()
[[ -z ${SIGN_TIMESTAMP_URL:-} ]] || stamp=(-ts "$SIGN_TIMESTAMP_URL")
trusted=()
[[ -z ${SIGN_CAFILE:-} ]] || trusted=(-CAfile "$SIGN_CAFILE" -TSA-CAfile "$SIGN_CAFILE")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for exe in "$@"; do
  name=$(basename "$exe" .exe)
  # What Windows shows as the program's name when it asks for consent (Vardock asks to run as
  # administrator).
  case $name in
    tessaly) description=Tessaly ;;
    vardock) description=Vardock ;;
    *) description=$name ;;
  esac
  printf '%s' "${SIGN_PASSWORD:-}" |
    osslsigncode sign "${key[@]}" -h sha256 -n "$description" "${stamp[@]}" -in "$exe" -out "$work/signed.exe" \
      >"$work/log" 2>&1 || { cat "$work/log"; echo "$exe: signing failed"; exit 1; }
  osslsigncode verify "${trusted[@]}" -in "$work/signed.exe" >"$work/log" 2>&1 ||
    { cat "$work/log"; echo "$exe: the signature does not verify"; exit 1; }
  # The signature must wrap the program as built, so that the published file can be compared
  # with a build of one's own.
  osslsigncode remove-signature -in "$work/signed.exe" -out "$work/unsigned.exe" >"$work/log" 2>&1 &&
    cmp -s "$work/unsigned.exe" "$exe" ||
    { cat "$work/log"; echo "$exe: without its signature it is not the program as built"; exit 1; }
  cp "$work/signed.exe" "$exe"
  rm -f "$work/unsigned.exe" "$work/signed.exe"
  echo "signed and verified: $exe"
done
