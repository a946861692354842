#!/usr/bin/env bash
# Builds tessaly.exe, incmerge.exe and vardock.exe for 64-bit and 32-bit Windows (the win64 and
# win32 presets, Release, in fresh build folders without tests) and writes dist/: x64/ and x86/
# with the three programs, VERSION, and SHA256SUMS over both folders.
set -euo pipefail
cd "$(dirname "$0")/.."

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
(cd dist && sha256sum x64/*.exe x86/*.exe >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "== dist/ (version $(cat dist/VERSION)):"
(cd dist && find . -type f -printf '%P\t%s bytes\n' | sort)
