#!/usr/bin/env bash
# Download benchmark: fetchwright-cli against aria2c and curl, all fetching from a
# private nginx on 127.0.0.1, same machine, same run. See usage() or bench/README.md.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
REPORT="$HERE/bench_report.py"

usage() {
  cat <<EOF
Usage: bench/download_bench.sh [options]

Runs scenarios S1..S5 and the batch B for fetchwright-cli (its defaults, and again
with --pace), aria2c and curl against a local nginx and prints a Markdown table
(medians and ranges of the runs, CPU time per GiB), then counts the system calls of
one S1 run of fetchwright-cli and curl (strace -f -c). Options are read in order, so
options after --quick override it.

  --quick            small files (64M / 16M / 8M), 60 batch files and 1 run, for a
                     quick check
  --runs N           runs per scenario and tool (default 3)
  --slow-runs N      runs of S3 and S4, whose wall time the limits set (default: --runs)
  --big SIZE         file for S1, S2, S5 (default 1G); SIZE takes K, M or G (1024-based)
  --mid SIZE         file for S3, from the throttled location (default 256M)
  --small SIZE       file for S4, with the 1 MiB/s limit (default 32M)
  --s4-conns N       connections for fetchwright-cli and aria2c in S4 (default 8)
  --batch-files N    files in B, each 20-50 KB, fetched 10 at a time (default 300)
  --scenarios LIST   comma-separated subset, e.g. S1,S4,B (default all)
  --tools LIST       comma-separated subset of fetchwright,fwpace,aria2c,curl (default
                     all; fwpace is fetchwright-cli --pace)
  --no-strace        skip the system-call count
  --timeout SEC      cap on one download (default 600)
  --tmpdir DIR       where the temporary folder goes (default \$TMPDIR or /tmp); test
                     files and downloads share it, so keep it on the disk under test
  --note TEXT        add a note under the table (repeatable)
  --write            also put the table in bench/README.md under "Download benchmarks"
  --no-install       do not apt-get missing packages; fail instead
  -h, --help         this text

Environment: FETCHWRIGHT_CLI is the program to measure
(default build-release/app/fetchwright-cli/fetchwright-cli); it is skipped with a
message when missing. FETCHWRIGHT_CLI_BASE, when set, is an earlier build measured
beside it with its own defaults (tool fwbase, "fetchwright (before)"), for a before and
after in one run.
EOF
}

die() {
  echo "download_bench: $*" >&2
  exit 2
}

to_bytes() {
  local v=$1 n unit
  [[ $v =~ ^([0-9]+)([KkMmGg]?)$ ]] || die "bad size: $v"
  n=${BASH_REMATCH[1]}
  unit=${BASH_REMATCH[2]^^}
  case $unit in
    K) echo $((n * 1024)) ;;
    M) echo $((n * 1048576)) ;;
    G) echo $((n * 1073741824)) ;;
    *) echo "$n" ;;
  esac
}

human() {
  local b=$1
  if ((b % 1073741824 == 0)); then
    echo "$((b / 1073741824)) GiB"
  elif ((b % 1048576 == 0)); then
    echo "$((b / 1048576)) MiB"
  else
    echo "$b bytes"
  fi
}

runs=3
slow_runs=""
big=1G
mid=256M
small=32M
s4_conns=8
batch_files=300
scenarios="S1,S2,S3,S4,S5,B"
tools="fetchwright,fwpace,aria2c,curl"
run_timeout=600
tmp_parent=${TMPDIR:-/tmp}
write=0
install=1
notes=()
quick=0
count_syscalls=1

while (($#)); do
  case $1 in
    --quick) big=64M mid=16M small=8M runs=1 batch_files=60 quick=1 ;;
    --runs) runs=${2:?--runs needs a value}; shift ;;
    --slow-runs) slow_runs=${2:?--slow-runs needs a value}; shift ;;
    --batch-files) batch_files=${2:?--batch-files needs a value}; shift ;;
    --no-strace) count_syscalls=0 ;;
    --big) big=${2:?--big needs a value}; shift ;;
    --mid) mid=${2:?--mid needs a value}; shift ;;
    --small) small=${2:?--small needs a value}; shift ;;
    --s4-conns) s4_conns=${2:?--s4-conns needs a value}; shift ;;
    --scenarios) scenarios=${2:?--scenarios needs a value}; shift ;;
    --tools) tools=${2:?--tools needs a value}; shift ;;
    --timeout) run_timeout=${2:?--timeout needs a value}; shift ;;
    --tmpdir) tmp_parent=${2:?--tmpdir needs a value}; shift ;;
    --note) notes+=("${2:?--note needs a value}"); shift ;;
    --write) write=1 ;;
    --no-install) install=0 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown argument: $1" ;;
  esac
  shift
done

if ! [[ $runs =~ ^[1-9][0-9]*$ ]] || ((runs > 50)); then die "bad --runs: $runs (1..50)"; fi
slow_runs=${slow_runs:-$runs}
if ! [[ $slow_runs =~ ^[1-9][0-9]*$ ]] || ((slow_runs > 50)); then die "bad --slow-runs: $slow_runs (1..50)"; fi
if ! [[ $batch_files =~ ^[1-9][0-9]*$ ]] || ((batch_files > 5000)); then die "bad --batch-files: $batch_files (1..5000)"; fi
if ! [[ $s4_conns =~ ^[1-9][0-9]*$ ]] || ((s4_conns > 16)); then die "bad --s4-conns: $s4_conns (1..16)"; fi
[[ $run_timeout =~ ^[1-9][0-9]*$ ]] || die "bad --timeout: $run_timeout"
big_b=$(to_bytes "$big")
mid_b=$(to_bytes "$mid")
small_b=$(to_bytes "$small")
((big_b > 0 && mid_b > 0 && small_b > 0)) || die "sizes must be above zero"
for s in ${scenarios//,/ }; do
  [[ $s =~ ^(S[1-5]|B)$ ]] || die "bad scenario: $s (S1..S5, B)"
done
for t in ${tools//,/ }; do
  [[ $t =~ ^(fetchwright|fwpace|fwbase|aria2c|curl)$ ]] || die "bad tool: $t (fetchwright, fwpace, fwbase, aria2c, curl)"
done
want_scenario() { [[ ",$scenarios," == *",$1,"* ]]; }
want_tool() { [[ ",$tools," == *",$1,"* ]]; }

# --- packages -----------------------------------------------------------------------

nginx_bin=$(command -v nginx || true)
[ -n "$nginx_bin" ] || [ ! -x /usr/sbin/nginx ] || nginx_bin=/usr/sbin/nginx

missing=()
command -v curl >/dev/null || missing+=(curl) # also probes the server
command -v openssl >/dev/null || missing+=(openssl)
command -v python3 >/dev/null || missing+=(python3)
[ -n "$nginx_bin" ] || missing+=(nginx-light)
[ -x /usr/bin/time ] || missing+=(time)
if want_tool aria2c; then command -v aria2c >/dev/null || missing+=(aria2); fi
if ((count_syscalls)) && want_scenario S1; then command -v strace >/dev/null || missing+=(strace); fi

if ((${#missing[@]})); then
  ((install)) || die "missing packages: ${missing[*]} (run without --no-install)"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "missing packages ${missing[*]}; need root or sudo to install them"
    sudo_cmd=(sudo)
  fi
  echo "download_bench: installing ${missing[*]}" >&2
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  if [[ " ${missing[*]} " == *" nginx-light "* ]]; then
    # The package starts the system nginx on install; this benchmark runs its own.
    if command -v systemctl >/dev/null 2>&1; then "${sudo_cmd[@]}" systemctl stop nginx >/dev/null 2>&1 || true; fi
    "${sudo_cmd[@]}" service nginx stop >/dev/null 2>&1 || true
    nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
  fi
fi
/usr/bin/time -f %e true >/dev/null 2>&1 || die "/usr/bin/time is not GNU time (install the 'time' package)"

fw_base=${FETCHWRIGHT_CLI_BASE:-}
if [ -n "$fw_base" ]; then
  [ -x "$fw_base" ] || die "FETCHWRIGHT_CLI_BASE is not a program: $fw_base"
  fw_base=$(cd "$(dirname "$fw_base")" && pwd)/$(basename "$fw_base")
  [[ ,$tools, == *,fwbase,* ]] || [ "$tools" != "fetchwright,fwpace,aria2c,curl" ] || tools="fwbase,$tools"
fi
fw_cli=${FETCHWRIGHT_CLI:-$REPO/build-release/app/fetchwright-cli/fetchwright-cli}
fw_state=""
if want_tool fetchwright || want_tool fwpace; then
  if [ -x "$fw_cli" ]; then
    fw_cli=$(cd "$(dirname "$fw_cli")" && pwd)/$(basename "$fw_cli")
  else
    fw_state="not found at $fw_cli (build it: cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_TESTS=OFF && cmake --build build-release --target fetchwright-cli, or set FETCHWRIGHT_CLI)"
    echo "download_bench: SKIPPING fetchwright-cli: $fw_state" >&2
  fi
else
  fw_state="left out with --tools"
fi

# --- temporary folder, cleaned up on every exit -------------------------------------

mkdir -p "$tmp_parent"
T=$(mktemp -d "$tmp_parent/fw-bench.XXXXXX")
nginx_pid=""
run_pid=""
# A Ctrl-C during a download must end that download too: the measured command runs in
# the background (and timeout in its own process group), so it is stopped by id here.
stop_running() {
  if [ -n "$run_pid" ] && kill -0 "$run_pid" 2>/dev/null; then
    local child
    child=$(pgrep -P "$run_pid" || true)
    if [ -n "$child" ]; then kill -TERM "$child" 2>/dev/null || true; fi
    wait "$run_pid" 2>/dev/null || true
  fi
  run_pid=""
}
cleanup() {
  stop_running
  if [ -n "$nginx_pid" ] && kill -0 "$nginx_pid" 2>/dev/null; then
    kill -QUIT "$nginx_pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$nginx_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$T"
}
trap cleanup EXIT
trap 'stop_running; exit 130' INT
trap 'stop_running; exit 143' TERM

www=$T/www
ngx=$T/nginx
mkdir -p "$www" "$ngx/tmp" "$T/runs"

need_kib=$(((big_b + mid_b + small_b + big_b) * 11 / 10 / 1024))
avail_kib=$(df -Pk "$T" | awk 'NR == 2 { print $4 }')
((avail_kib > need_kib)) || die "not enough space in $tmp_parent: need $((need_kib / 1024)) MiB, have $((avail_kib / 1024)) MiB"

# --- test files -----------------------------------------------------------------------

declare -A file_bytes file_sha
make_file() {
  local name=$1 bytes=$2
  echo "download_bench: making $name ($(human "$bytes"))" >&2
  head -c "$bytes" /dev/urandom >"$www/$name"
  file_bytes[$name]=$bytes
  file_sha[$name]=$(sha256sum "$www/$name" | cut -d' ' -f1)
}
if want_scenario S1 || want_scenario S2 || want_scenario S5; then make_file big.bin "$big_b"; fi
if want_scenario S3; then make_file mid.bin "$mid_b"; fi
if want_scenario S4; then make_file small.bin "$small_b"; fi
if want_scenario B; then
  # The batch: files of 20-50 KB in their own folder, a manifest of their SHA-256 and the
  # total bytes under the name "batch".
  echo "download_bench: making $batch_files batch files of 20-50 KB" >&2
  file_bytes[batch]=$(python3 "$REPORT" make-batch "$www/batch" "$batch_files" 20480 51200)
  (cd "$www/batch" && sha256sum -- *.bin) >"$T/batch.sha256"
  file_sha[batch]=manifest
fi

# --- nginx ------------------------------------------------------------------------------

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
  -keyout "$ngx/key.pem" -out "$ngx/cert.pem" >/dev/null 2>&1 || die "openssl could not make the certificate"

http_port=$(python3 "$REPORT" freeport)
https_port=$(python3 "$REPORT" freeport)
[ "$http_port" != "$https_port" ] || https_port=$(python3 "$REPORT" freeport)

user_line=""
# A root master would hand the workers to "nobody", who cannot read the temp folder.
[ "$(id -u)" -ne 0 ] || user_line="user $(id -un) $(id -gn);"

locations="
    root $www;
    location /throttled/ {
      alias $www/;
      limit_rate 2m;
    }"
cat >"$ngx/nginx.conf" <<EOF
daemon off;
$user_line
worker_processes auto;
pid $ngx/nginx.pid;
error_log $ngx/error.log warn;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $ngx/tmp/body;
  proxy_temp_path $ngx/tmp/proxy;
  fastcgi_temp_path $ngx/tmp/fastcgi;
  uwsgi_temp_path $ngx/tmp/uwsgi;
  scgi_temp_path $ngx/tmp/scgi;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$http_port;
$locations
  }
  server {
    listen 127.0.0.1:$https_port ssl;
    server_name localhost;
    ssl_certificate $ngx/cert.pem;
    ssl_certificate_key $ngx/key.pem;
$locations
  }
}
EOF

"$nginx_bin" -p "$ngx" -c "$ngx/nginx.conf" -e "$ngx/error.log" >"$ngx/stdout.log" 2>&1 &
nginx_pid=$!
# sed reads to the end: with pipefail, head could leave sort writing into a closed pipe.
probe_file=$(cd "$www" && find . -name "*.bin" -printf "%P\n" | sort | sed -n 1p)
up=0
for _ in $(seq 1 100); do
  kill -0 "$nginx_pid" 2>/dev/null || break
  if curl -q -sf -o /dev/null -r 0-0 "http://127.0.0.1:$http_port/$probe_file" &&
    curl -q -skf -o /dev/null -r 0-0 "https://127.0.0.1:$https_port/$probe_file"; then
    up=1
    break
  fi
  sleep 0.1
done
if ((!up)); then
  cat "$ngx/error.log" "$ngx/stdout.log" >&2 2>/dev/null || true
  die "nginx did not come up"
fi
echo "download_bench: nginx on 127.0.0.1:$http_port (http) and :$https_port (https)" >&2

# --- runs --------------------------------------------------------------------------------

results=$T/results.tsv
meta=$T/meta.tsv
: >"$results"
: >"$meta"
declare -A logged_cmd

# The command line of TOOL for one run; in the array `cmd`. For the batch (FILE "batch")
# URL is the folder URL and the file names come from the manifest.
tool_command() {
  local tool=$1 file=$2 url=$3 conns=$4 limit=$5 https=$6 out=$7 home=$8
  cmd=()
  case $tool in
    fetchwright | fwpace | fwbase)
      local program=$fw_cli
      [ "$tool" != fwbase ] || program=$fw_base
      cmd=(env "FETCHWRIGHT_HOME=$home" "$program" -s "$conns" -d "$out")
      [ "$file" = batch ] || cmd+=(-o "$file")
      [ "$file" != batch ] || cmd+=(-j 10)
      [ "$tool" != fwpace ] || cmd+=(--pace)
      ((limit == 0)) || cmd+=(--limit 1M)
      ((!https)) || cmd+=(--no-verify)
      cmd+=(--db "$home/bench.db")
      if [ "$file" = batch ]; then
        cmd+=("${batch_urls[@]}")
      else
        cmd+=("$url")
      fi
      ;;
    aria2c)
      cmd=(aria2c --no-conf -q --allow-overwrite=true --auto-file-renaming=false
        "-x$conns" "-s$conns")
      ((conns == 1)) || [ "$file" = batch ] || cmd+=(-k1M)
      ((limit == 0)) || cmd+=(--max-overall-download-limit=1M)
      ((!https)) || cmd+=(--check-certificate=false)
      if [ "$file" = batch ]; then
        cmd+=(-j 10 -d "$out" -i "$T/batch.list")
      else
        cmd+=(-d "$out" -o "$file" "$url")
      fi
      ;;
    curl)
      cmd=(curl -q -sS -f)
      ((limit == 0)) || cmd+=(--limit-rate 1M)
      ((!https)) || cmd+=(-k)
      cmd+=(-o "$out/$file" "$url")
      ;;
  esac
}

# run_one SCENARIO TOOL RUN FILE URL CONNS LIMIT_BYTES HTTPS ROLE
run_one() {
  local scen=$1 tool=$2 run=$3 file=$4 url=$5 conns=$6 limit=$7 https=$8 role=$9
  local dir=$T/runs/$scen-$tool-$run
  local out=$dir/out home=$dir/home
  mkdir -p "$out" "$home"
  local cmd=()
  tool_command "$tool" "$file" "$url" "$conns" "$limit" "$https" "$out" "$home"
  if [ -z "${logged_cmd[$scen/$tool]:-}" ]; then
    logged_cmd[$scen/$tool]=1
    local shown="${cmd[*]}"
    # The batch's URLs are not spelled out.
    [ "$file" != batch ] || shown=${shown//"${batch_urls[*]}"/<$batch_files URLs>}
    shown=${shown//"$T"/\$T}
    [ -z "$fw_base" ] || shown=${shown//"$fw_base"/<earlier build>}
    shown=${shown//"$REPO"\//}
    printf 'command\t%s\t%s\t%s\n' "$scen" "$tool" "$shown" >>"$meta"
  fi

  # Flush earlier runs' dirty pages so that their write-back does not land in this run.
  sync
  local load1
  load1=$(cut -d' ' -f1 /proc/loadavg)
  local rc=0
  /usr/bin/time -f '%e %U %S %M' -o "$dir/time.txt" \
    timeout -k 5 "$run_timeout" "${cmd[@]}" </dev/null >"$dir/log.txt" 2>&1 &
  run_pid=$!
  wait "$run_pid" || rc=$?
  run_pid=""

  local status=ok
  if ((rc == 124 || rc == 137)); then
    status=timeout
  elif ((rc != 0)); then
    status="exit $rc"
  elif [ "$file" = batch ]; then
    (cd "$out" && sha256sum --quiet --strict -c "$T/batch.sha256" >/dev/null 2>&1) || status="bad SHA-256"
  elif [ ! -f "$out/$file" ]; then
    status="no file"
  elif [ "$(sha256sum "$out/$file" | cut -d' ' -f1)" != "${file_sha[$file]}" ]; then
    status="bad SHA-256"
  fi
  local wall=0 user=0 sys=0 rss=0
  [ ! -s "$dir/time.txt" ] || read -r wall user sys rss < <(tail -n1 "$dir/time.txt") || true
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$scen" "$tool" "$run" "$status" \
    "$wall" "$user" "$sys" "$rss" "${file_bytes[$file]}" "$limit" "$role" "$load1" >>"$results"
  printf '  %-3s %-11s run %d: %-11s wall %6ss  cpu %5ss+%5ss  rss %7s KiB\n' \
    "$scen" "$tool" "$run" "$status" "$wall" "$user" "$sys" "$rss" >&2
  if [ "$status" != ok ]; then
    echo "  --- last lines of its output:" >&2
    if [ -s "$dir/log.txt" ]; then tail -n 5 "$dir/log.txt" | sed 's/^/    /' >&2; else echo "    (none)" >&2; fi
  fi
  rm -rf "$dir"
}

# scenario ID LABEL FILE PATH CONNS LIMIT HTTPS CURL_ROLE RUNS
scenario() {
  local id=$1 label=$2 file=$3 path=$4 conns=$5 limit=$6 https=$7 curl_role=$8 n=$9
  want_scenario "$id" || return 0
  printf 'scenario\t%s\t%s\n' "$id" "$id: $label" >>"$meta"
  local url
  if ((https)); then url="https://127.0.0.1:$https_port$path$file"; else url="http://127.0.0.1:$http_port$path$file"; fi
  echo "download_bench: $id: $label" >&2
  local r tool
  # Tools take turns within each round so that load drifting over time hits them alike.
  for ((r = 1; r <= n; r++)); do
    for tool in fwbase fetchwright fwpace aria2c curl; do
      want_tool "$tool" || continue
      [ "$tool" != fwbase ] || [ -n "$fw_base" ] || continue
      [[ $tool != fetchwright && $tool != fwpace ]] || [ -z "$fw_state" ] || continue
      local c=$conns role=compared
      if [ "$tool" = curl ]; then
        [ "$curl_role" != skip ] || continue
        c=1
        role=$curl_role
      fi
      run_one "$id" "$tool" "$r" "$file" "$url" "$c" "$limit" "$https" "$role"
    done
  done
}

batch_urls=()
if want_scenario B; then
  for f in "$www"/batch/*.bin; do batch_urls+=("http://127.0.0.1:$http_port/batch/$(basename "$f")"); done
  printf '%s\n' "${batch_urls[@]}" >"$T/batch.list"
fi

# One run of TOOL on S1 under strace -f -c; the counts go to the meta file.
count_calls() {
  local tool=$1 url="http://127.0.0.1:$http_port/big.bin"
  local dir=$T/runs/strace-$tool
  mkdir -p "$dir/out" "$dir/home"
  local cmd=()
  tool_command "$tool" big.bin "$url" 1 0 0 "$dir/out" "$dir/home"
  if strace -f -c -o "$dir/strace.txt" "${cmd[@]}" </dev/null >/dev/null 2>&1 &&
    [ "$(sha256sum "$dir/out/big.bin" | cut -d' ' -f1)" = "${file_sha[big.bin]}" ]; then
    python3 "$REPORT" strace-counts "$tool" "$dir/strace.txt" >>"$meta"
  else
    echo "download_bench: the strace run of $tool failed; no system-call counts for it" >&2
  fi
  rm -rf "$dir"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
scenario S1 "$(human "$big_b"), 1 connection" big.bin / 1 0 0 compared "$runs"
scenario S2 "$(human "$big_b"), 8 connections" big.bin / 8 0 0 skip "$runs"
scenario S3 "$(human "$mid_b") throttled to 2 MiB/s per connection, 8 connections" mid.bin /throttled/ 8 0 0 skip "$slow_runs"
scenario S4 "$(human "$small_b"), limit 1 MiB/s, $s4_conns connection(s) (curl 1)" small.bin / "$s4_conns" 1048576 0 compared "$slow_runs"
scenario S5 "$(human "$big_b") over HTTPS, 8 connections" big.bin / 8 0 1 "1 connection" "$runs"
scenario B "$batch_files files of 20-50 KB, 10 at a time, 2 connections each" batch / 2 0 0 skip "$runs"
if ((count_syscalls)) && want_scenario S1; then
  echo "download_bench: counting the system calls of one S1 run" >&2
  if [ -n "$fw_base" ] && want_tool fwbase; then count_calls fwbase; fi
  if want_tool fetchwright && [ -z "$fw_state" ]; then count_calls fetchwright; fi
  if want_tool curl; then count_calls curl; fi
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- table ------------------------------------------------------------------------------

cpu_model=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//' || true)
[ -n "$cpu_model" ] || cpu_model=$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | sed -n 1p || true)
mem_gib=$(awk '/^MemTotal/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo)
{
  printf 'date\t%s\n' "$started"
  printf 'machine\t%s\n' "$(nproc) CPUs ($cpu_model), $mem_gib GiB RAM, $(uname -sr)"
  printf 'info\t%s\n' "Sizes: big $(human "$big_b"), mid $(human "$mid_b"), small $(human "$small_b"), batch $batch_files files of 20-50 KB ($(human "${file_bytes[batch]:-0}") in all); $runs run(s) per tool and scenario, $slow_runs of S3 and S4, tools taking turns within each round$(if ((quick)); then echo ' (--quick)'; fi)."
  printf 'info\t%s\n' "Tools: $(aria2c --version 2>/dev/null | head -n1 || echo 'aria2c not used'); $(curl --version | head -n1 | cut -d' ' -f1-2); $("$nginx_bin" -v 2>&1 | sed 's/^nginx version: //') on 127.0.0.1 ($(nproc) workers, sendfile)."
  printf 'info\t%s\n' "Load average (1, 5, 15 min) before: $load_before; after: $load_after."
  printf 'info\t%s\n' "Wall, CPU and peak RSS from GNU time; CPU is user + sys of the tool (nginx not counted), per GiB of the files fetched; every file's SHA-256 checked; a failed run is left out of the medians; ranges are the lowest and highest of the runs."
  printf 'info\t%s\n' "fetchwright is fetchwright-cli with its defaults (no pacing); fetchwright --pace is the same with --pace (the desktop program's pacing)."
  if [ -n "$fw_base" ]; then printf 'info\t%s\n' "fetchwright (before) is an earlier build ($fw_base) with its own defaults, run beside the others."; fi
  printf 'info\t%s\n' "nginx lets each throttled connection send its first second's worth (2 MiB) at once, so S3 ends about a second sooner than size / 16 MiB/s."
  printf 'info\t%s\n' "Rate vs limit: file size over wall time (start-up included) against 1 MiB/s."
  printf 'info\t%s\n' "curl cannot split one file: it is left out of S2, S3 and B and shown in S5 on 1 connection, as a reference outside the ratio."
  if [ -n "$fw_state" ]; then printf 'fetchwright\t%s\n' "$fw_state"; fi
  if ((small_b < 16 * 1048576)); then
    printf 'info\t%s\n' "curl averages its limit over several seconds, so an S4 file this small may pass almost unlimited."
  fi
  for n in "${notes[@]}"; do printf 'note\t%s\n' "$n"; done
} >>"$meta"

python3 "$REPORT" table "$results" "$meta" >"$T/table.md"
echo
cat "$T/table.md"
if ((write)); then
  python3 "$REPORT" write-readme "$HERE/README.md" "$T/table.md"
  echo "download_bench: table written to $HERE/README.md" >&2
fi
