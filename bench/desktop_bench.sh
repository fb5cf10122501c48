#!/usr/bin/env bash
# The desktop program's benchmarks (Release build, on a private Xvfb display, files from a
# local nginx):
#   1. start-up with the 100,000-job database of job_database_bench: process start to the
#      main window shown with the list filled, and the peak memory then (3 runs);
#   2. the window thread's CPU time per one-second tick with 20 jobs running against a
#      throttled location (gui_tick_bench, measured in the process);
#   3. CPU time of the desktop program against fetchwright-cli fetching the same 20 files.
# Prints the results as Markdown table rows.
#
#   bench/desktop_bench.sh [--quick]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FW_BENCH_BUILD:-$root/build-bench}
quick=0
[[ ${1:-} == --quick ]] && quick=1

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_BENCH=ON -DFW_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fetchwright fetchwright-cli job_database_bench gui_tick_bench >/dev/null

# shellcheck source=../scripts/lib/local_rig.sh
source "$root/scripts/lib/local_rig.sh"

files=20
size=${FW_BENCH_FILE_SIZE:-64M}
((quick)) && size=8M
mkdir -p "$tmp/www"
for ((i = 0; i < files; i++)); do truncate -s "$size" "$tmp/www/file$i.bin"; done
start_nginx "$tmp/www" 100k 512 "sendfile on;"
start_xvfb
until curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port/file0.bin"; do sleep 0.1; done

now_ms() { date +%s%3N; }
cpu_ms() {  # user + system CPU of a running process, in ms
  awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$1/stat"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. Start-up with 100,000 jobs.
startup_ms=() peak_kib=()
for run in 1 2 3; do
  home="$tmp/start$run"
  mkdir -p "$home/data"
  "$build/bench/job_database_bench" --write "$home/data/Default.npd" 100000
  t0=$(now_ms)
  FETCHWRIGHT_HOME="$home" "$build/app/fetchwright/fetchwright" >"$tmp/start$run.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "Fetchwright" >/dev/null 2>&1; do sleep 0.005; done
  startup_ms+=($(($(now_ms) - t0)))
  sleep 1
  peak_kib+=($(awk '/VmHWM/ { print $2 }' "/proc/$pid/status"))
  kill -TERM "$pid"
  wait "$pid" || true
done
printf '| Start-up, 100,000 jobs: start to window shown with the list filled | %s ms (runs: %s) |\n' \
  "$(printf '%s\n' "${startup_ms[@]}" | median)" "${startup_ms[*]}"
printf '| Peak memory then (VmHWM) | %s MiB (runs: %s KiB) |\n' \
  "$(($(printf '%s\n' "${peak_kib[@]}" | median) / 1024))" "${peak_kib[*]}"

# 2. Window thread work per tick, 20 jobs running (100 KB/s per connection).
seconds=30
((quick)) && seconds=8
FETCHWRIGHT_HOME="$tmp/tick" "$build/bench/gui_tick_bench" "http://127.0.0.1:$port/throttled" \
  "$seconds" "$files" | tee "$tmp/tick.out" | sed 's/^/  /'
tick=$(grep "window thread" "$tmp/tick.out" | sed 's/.*second: //')
printf '| Window thread CPU per one-second tick, 20 jobs x 4 Roles running | %s |\n' "$tick"

# 3. CPU time, desktop program against fetchwright-cli, the same 20 files (4 jobs at a time,
#    4 connections each: both programs' defaults).
urls=()
for ((i = 0; i < files; i++)); do urls+=("http://127.0.0.1:$port/file$i.bin"); done
bytes=$(stat -c %s "$tmp/www/file0.bin")
all_done() {
  local dir=$1 i
  for ((i = 0; i < files; i++)); do
    [[ -f $dir/file$i.bin && $(stat -c %s "$dir/file$i.bin") == "$bytes" ]] || return 1
  done
}
cli_cpu=() gui_cpu=() cli_wall=() gui_wall=()
for run in 1 2 3; do
  home="$tmp/cli$run"
  t0=$(now_ms)
  /usr/bin/time -f "%U %S" -o "$tmp/cli.time" env FETCHWRIGHT_HOME="$home" \
    "$build/app/fetchwright-cli/fetchwright-cli" -s 4 "${urls[@]}" >/dev/null
  cli_wall+=($(($(now_ms) - t0)))
  cli_cpu+=($(awk '{ print int(($1 + $2) * 1000) }' "$tmp/cli.time"))

  home="$tmp/gui$run"
  FETCHWRIGHT_HOME="$home" "$build/app/fetchwright/fetchwright" >"$tmp/gui$run.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name " -- Fetchwright" >/dev/null 2>&1; do sleep 0.05; done
  t0=$(now_ms)
  FETCHWRIGHT_HOME="$home" "$build/app/fetchwright-cli/fetchwright-cli" -s 4 "${urls[@]}" >/dev/null
  until all_done "$home/Downloads"; do sleep 0.05; done
  gui_wall+=($(($(now_ms) - t0)))
  sleep 1  # the last run's end and the list's last repaint
  gui_cpu+=($(cpu_ms "$pid"))
  kill -TERM "$pid"
  wait "$pid" || true
done
c=$(printf '%s\n' "${cli_cpu[@]}" | median)
g=$(printf '%s\n' "${gui_cpu[@]}" | median)
printf '| CPU, %d files of %s: fetchwright-cli | %s ms (runs: %s; wall %s ms) |\n' \
  "$files" "$size" "$c" "${cli_cpu[*]}" "${cli_wall[*]}"
printf '| CPU, the same: desktop program (start-up and idle second included) | %s ms (runs: %s; wall %s ms) |\n' \
  "$g" "${gui_cpu[*]}" "${gui_wall[*]}"
printf '| Desktop / command line | %s |\n' "$(awk -v g="$g" -v c="$c" 'BEGIN { printf "%.2fx", g / c }')"
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
