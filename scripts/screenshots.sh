#!/usr/bin/env bash
# Pictures of the desktop program for the documentation and for looking at before a
# window is called done:
#
#   scripts/screenshots.sh OUTDIR
#
# Builds the program and its gallery tool, starts a local nginx that serves two large
# files slowly, writes a demonstration home (jobs in every state, categories; one job
# downloads from that nginx), and on a private X display (Xvfb with openbox and a tray
# host) takes main-window.png of the real program, then the gallery's pictures of every
# view, menu and dialog. Everything it starts is stopped at the end.
set -euo pipefail
if (($# != 1)); then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
build=${FW_BUILD_DIR:-$root/build-shots}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target fetchwright fw_demo_home fw_screenshot_gallery

# shellcheck source=lib/local_rig.sh
source "$root/scripts/lib/local_rig.sh"

# nginx: the files are sparse, so they cost no disk; 150 KB/s per connection.
mkdir -p "$tmp/www"
truncate -s 5900M "$tmp/www/ubuntu-24.04-desktop-amd64.iso"
truncate -s 628M "$tmp/www/debian-12.5.0-amd64-netinst.iso"
start_nginx "$tmp/www" 150k 64

# A display nobody else uses.
start_xvfb
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
  >"$tmp/trayer.log" 2>&1 &
pids+=($!)

wait_for() {  # wait_for SECONDS COMMAND...: polls until COMMAND succeeds
  local end=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}
wait_for 20 curl -sf -o /dev/null "http://127.0.0.1:$port/debian-12.5.0-amd64-netinst.iso" -r 0-0

# The real program on its demonstration home, with its window manager frame.
# Two homes: the jobs name their folders inside their home.
"$build/tests/fw_demo_home" "$tmp/home" "http://127.0.0.1:$port" "$tmp/www" >/dev/null
"$build/tests/fw_demo_home" "$tmp/gallery-home" "http://127.0.0.1:$port" "$tmp/www" >/dev/null
FETCHWRIGHT_HOME="$tmp/home" "$build/app/fetchwright/fetchwright" >"$tmp/program.log" 2>&1 &
program=$!
pids+=($program)
wait_for 30 xdotool search --onlyvisible --name "Fetchwright"
window=$(xdotool search --onlyvisible --name "Fetchwright" | head -n1)
sleep 8  # let the download run a while, so the list, the log and the map have content
xdotool windowactivate --sync "$window"
xdotool key Down Up  # the job list has the focus: its first job is selected and shown
sleep 2
import -frame -window "$window" "$out/main-window.png"
echo "$out/main-window.png"
kill -TERM "$program"
wait "$program" || true

# Every view, menu and dialog, drawn by the program's own classes.
FETCHWRIGHT_HOME="$tmp/gallery-home" "$build/tests/fw_screenshot_gallery" "$out" 8
