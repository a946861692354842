#!/usr/bin/env bash
# Builds tessaly.exe, incmerge.exe and vardock.exe for 64-bit and 32-bit Windows (the win64 and
# win32 presets, Release, in fresh build folders without tests) and writes dist/: x64/ and x86/
# with the three programs, VERSION, and SHA256SUMS over both folders.
# Two runs on one commit give the same bytes (scripts/reproducible-check.sh shows it). With a
# signing key (SIGN_PKCS12 and SIGN_PASSWORD, or SIGN_CERT and SIGN_KEY: see sign-release.sh) the
# programs are signed, and SHA256SUMS is over the signed files; SHA256SUMS.unsigned then holds
# the sums of the programs as built, which a build of one's own can be compared with.
set -euo pipefail
cd "$(dirname "$0")/.."

# Incomplete signing settings stop the release before it builds.
sign=1
bash scripts/sign-release.sh --check-settings || { status=$?; ((status == 3)) || exit 1; sign=0; }

# The linker writes SOURCE_DATE_EPOCH as each program's time stamp (the PE header's link time, and
# so its checksum), where it would write the time of the build: the commit's time makes two builds
# of one commit the same to the byte.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "not a git checkout: give the release's time as SOURCE_DATE_EPOCH (seconds since 1970)"; exit 1; }
fi
export SOURCE_DATE_EPOCH
if commit=$(git rev-parse HEAD 2>/dev/null); then
  echo "== release of commit $commit, time stamp $SOURCE_DATE_EPOCH"
  [[ -z $(git status --porcelain --untracked-files=no) ]] ||
    echo "   (the working tree has changes that are not committed: this is not that commit's release)"
fi

# The win64 toolchain file also looks for wine, for the tests it does not build here.
bash scripts/ensure-packages.sh cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64

rm -rf dist build/release
for build in "win64 x64 pei-x86-64" "win32 x86 pei-i386"; do
  read -r preset arch format <<<"$build"
  dir=build/release/$arch
  echo "== $preset -> dist/$arch"
  cmake --preset "$preset" -B "$dir" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target tessaly incmerge vardock
  mkdir -p "dist/$arch"
  for exe in merge_tool/win/tessaly.exe merge_tool/cli/incmerge.exe vdir_setup/vardock.exe; do
    x86_64-w64-mingw32-objdump -f "$dir/$exe" | grep -q "file format $format\$" ||
      { echo "$dir/$exe is not $format"; exit 1; }
    cp "$dir/$exe" "dist/$arch/"
  done
done
bash scripts/check-static.sh dist/*/*.exe

sed -n 's/^#define CORVANEL_VERSION_TEXT "\(.*\)"$/\1/p' build/release/x64/generated/common/version.h >dist/VERSION
[[ -s dist/VERSION ]] || { echo "no version in build/release/x64/generated/common/version.h"; exit 1; }
if ((sign)); then
  (cd dist && sha256sum x64/*.exe x86/*.exe >SHA256SUMS.unsigned)
  bash scripts/sign-release.sh dist/x64/*.exe dist/x86/*.exe
else
  echo "== the programs are not signed (no SIGN_PKCS12, nor SIGN_CERT and SIGN_KEY: see the README)"
fi
(cd dist && sha256sum x64/*.exe x86/*.exe >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "== dist/ (version $(cat dist/VERSION)):"
(cd dist && find . -type f -printf '%P\t%s bytes\n' | sort)
