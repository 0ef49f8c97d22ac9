#!/usr/bin/env bash
# Starts the desktop program on a virtual X display, checks that Enter right after the
# start leaves it open, closes its dialog with the Esc key and checks that the process ends
# by itself with status 0.
set -euo pipefail
program=$1
title="Velmorant Ver$2"

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1)
xdotool windowfocus --sync "$window"
xdotool key Return
sleep 0.5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "Enter closed velmorant" >&2
  exit 1
fi
xdotool key Escape

for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    status=$?
    trap - EXIT
    echo "velmorant ended with status $status after its dialog closed"
    exit "$status"
  fi
  sleep 0.1
done
echo "velmorant is still running after its dialog was closed" >&2
exit 1
