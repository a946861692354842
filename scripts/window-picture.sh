#!/usr/bin/env bash
# Starts a Windows program under Wine on the (virtual) display, photographs its window once
# painted, and then closes the program or presses a key in the window and waits for its end.
#
#   bash scripts/window-picture.sh TITLE PICTURE AFTER PROGRAM [ARGUMENT...]
#
# TITLE: the window's caption. PICTURE: the .png to write. AFTER: "close" ends the program;
# anything else is a key (as xdotool names it, such as Return) pressed in the window.
# scripts/run.sh runs it through scripts/with-display.sh where there is no display.
set -euo pipefail
(($# >= 4)) || { echo "usage: bash scripts/window-picture.sh TITLE PICTURE AFTER PROGRAM [ARGUMENT...]" >&2; exit 2; }
title=$1 picture=$2 after=$3
shift 3

wine "$@" &
pid=$!

# The window, once it exists.
id=
for _ in $(seq 900); do
  id=$(xwininfo -root -tree 2>/dev/null | awk -v title="\"$title\"" 'index($0, title) {print $1; exit}')
  [[ -n $id ]] && break
  sleep 0.1
done
[[ -n $id ]] || { echo "The window \"$title\" did not appear" >&2; kill "$pid"; exit 1; }

# Once Wine has copied its pixels: a blank picture is taken again, and so is one that still
# changes (on a busy machine the first pictures can lack texts and controls).
last= same=0
for _ in $(seq 150); do
  sleep 0.2
  import -window "$id" "$picture" 2>/dev/null || continue
  [[ $(convert "$picture" -format '%[fx:mean>0.2]' info:) == 1 ]] || continue
  # The same pixels three times in a row, over 0.4 s: the window has painted.
  now=$(identify -format '%#' "$picture")
  if [[ $now == "$last" ]]; then same=$((same + 1)); else same=0 last=$now; fi
  ((same < 2)) || break
done

if [[ $after == close ]]; then
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
else
  xdotool windowfocus --sync "$id" key "$after"
  wait "$pid" || true
fi
