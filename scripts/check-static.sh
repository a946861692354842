#!/usr/bin/env bash
# Fails, naming the file, when one of the Windows executables or DLLs given imports a MinGW
# runtime DLL: each is meant to run on its own, without one beside it.
# OBJDUMP: another objdump, e.g. MSYS2's plain "objdump" on Windows.
set -uo pipefail
for file in "$@"; do
  imports=$("${OBJDUMP:-x86_64-w64-mingw32-objdump}" -p "$file") || { echo "$file cannot be read as a Windows executable"; exit 1; }
  if grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)' <<<"$imports"; then
    echo "$file imports a MinGW runtime DLL"; exit 1
  fi
done
