# Sourced by the scripts that run the program against a local server on a private display
# (scripts/screenshots.sh, bench/desktop_bench.sh). Sets `tmp`, a scratch folder, and `pids`,
# the processes to stop: when the script exits they are killed in reverse order and the
# folder goes.

tmp=$(mktemp -d)
pids=()
rig_cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap rig_cleanup EXIT

# start_nginx ROOT RATE CONNECTIONS [EXTRA]: serves ROOT on a free loopback port, the folder
# also under /throttled/ at RATE per connection; sets `port`. EXTRA goes into the http block.
start_nginx() {
  local root=$1 rate=$2 connections=$3 extra=${4:-}
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$tmp/nginx"
  cat >"$tmp/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
pid $tmp/nginx/nginx.pid;
error_log $tmp/nginx/error.log;
events { worker_connections $connections; }
http {
  access_log off;
  $extra
  client_body_temp_path $tmp/nginx; proxy_temp_path $tmp/nginx; fastcgi_temp_path $tmp/nginx;
  uwsgi_temp_path $tmp/nginx; scgi_temp_path $tmp/nginx;
  server {
    listen 127.0.0.1:$port;
    root $root;
    location /throttled/ { alias $root/; limit_rate $rate; }
  }
}
CONF
  nginx -c "$tmp/nginx/nginx.conf" -p "$tmp/nginx" &
  pids+=($!)
}

# start_xvfb: a display nobody else uses, 1280x800; exports DISPLAY.
start_xvfb() {
  local displayfd number
  exec {displayfd}<> <(:)
  Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
  pids+=($!)
  read -r -t 20 -u "$displayfd" number
  export DISPLAY=":$number"
}
