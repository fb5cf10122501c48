#!/usr/bin/env bash
# Builds Fetchwright as it is shipped (no sanitizers, prefix /usr) and checks what a user
# gets from it:
#   1. the desktop entry, AppStream metadata and manual pages (check-package-files.sh);
#   2. `cmake --install` into a temporary DESTDIR under another prefix: the installed
#      fetchwright-cli downloads from a local server, the installed desktop program starts
#      under Xvfb, finds its data under that prefix and takes URLs;
#   3. the .deb: lintian without errors, `apt-get install`, the programs and the browsers'
#      native-messaging manifests in place, `apt-get remove --purge`, the manifests gone.
# Needs root (or sudo) for step 3; FW_PACKAGE_DEB=0 skips it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FW_PACKAGE_BUILD_DIR:-build-package-test}
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

step() { printf '\n== %s (%ss)\n' "$1" "$SECONDS"; }

step "build"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening flags, as its own packages are built.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr -DFW_TESTS=OFF "${launcher[@]}" \
  -DCMAKE_C_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" -DCMAKE_SHARED_LINKER_FLAGS="-Wl,-z,relro,-z,now" \
  >/dev/null
cmake --build "$build" -j"$(nproc)"

step "desktop entry, metadata, manual pages"
scripts/check-package-files.sh "$build"

work=$(mktemp -d /tmp/fw-package.XXXXXX)
pids=()
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove --purge -y -qq fetchwright >/dev/null || true
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A local HTTP server on a free port, serving $work/www.
mkdir -p "$work/www"
head -c 3000000 /dev/urandom >"$work/www/one.bin"
head -c 1000000 /dev/urandom >"$work/www/two.bin"
head -c 500000 /dev/urandom >"$work/www/three.bin"
python3 - "$work/www" "$work/port" 2>/dev/null <<'PY' &
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
handler = functools.partial(Quiet, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()
PY
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url=http://127.0.0.1:$(cat "$work/port")

# wait_for SECONDS COMMAND...: true once COMMAND succeeds.
wait_for() {
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

step "install into a DESTDIR under another prefix"
DESTDIR=$work/dest cmake --install "$build" --prefix /opt/fetchwright >/dev/null
root=$work/dest/opt/fetchwright
for f in bin/fetchwright bin/fetchwright-cli bin/snarebolt-host \
         share/applications/fetchwright.desktop share/metainfo/org.fetchwright.Fetchwright.metainfo.xml \
         share/icons/hicolor/scalable/apps/fetchwright.svg share/icons/hicolor/48x48/apps/fetchwright.png \
         share/mime/packages/fetchwright.xml share/man/man1/fetchwright-cli.1.gz \
         share/bash-completion/completions/fetchwright-cli share/fetchwright/Sounds/finish.wav \
         share/fetchwright/extension/chromium/manifest.json share/fetchwright/manual.html; do
  [ -e "$root/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
"$root/bin/fetchwright-cli" --version
# (grep reads all of it: with -q it would end first and fail the pipe)
"$root/bin/fetchwright" --help | grep -F "Program data (browser extension, sounds, manual): $root/share/fetchwright" >/dev/null || {
  echo "the installed program does not find its data under $root/share/fetchwright" >&2
  exit 1
}
real_home=${HOME:-}
export HOME=$work/home FETCHWRIGHT_HOME=$work/fw
mkdir -p "$HOME"
"$root/bin/fetchwright-cli" -d "$work/cli" "$url/one.bin"
cmp "$work/cli/one.bin" "$work/www/one.bin"

step "the installed desktop program under Xvfb"
Xvfb -displayfd 5 -nolisten tcp -screen 0 1280x800x24 5>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 20 test -s "$work/display"
export DISPLAY=:$(cat "$work/display")
"$root/bin/fetchwright" "$url/three.bin" >"$work/desktop.log" 2>&1 &
desktop=$!
pids+=($desktop)
# Once it serves its socket, a second `fetchwright URL` hands its URL over. Each URL opens
# the new-job property sheet; the later one is modal over the earlier and is answered first.
wait_for 30 test -S "$FETCHWRIGHT_HOME/runtime/control.sock"
"$root/bin/fetchwright" "$url/two.bin"
sheets() { xdotool search --onlyvisible --name '^Property Dialog$' 2>/dev/null | sort -rn || true; }
sheets_open() { [ "$(sheets | wc -l)" -eq "$1" ]; }
for open in 2 1; do
  wait_for 30 sheets_open "$open" || {
    echo "expected $open property sheets" >&2
    cat "$work/desktop.log" >&2
    exit 1
  }
  xdotool windowfocus --sync "$(sheets | head -1)" key Return
done
for f in two three; do
  wait_for 60 cmp -s "$FETCHWRIGHT_HOME/Downloads/$f.bin" "$work/www/$f.bin" || {
    echo "$f.bin, named on a command line, was not downloaded" >&2
    cat "$work/desktop.log" >&2
    exit 1
  }
done
kill -TERM "$desktop"
wait "$desktop"
"$root/bin/fetchwright-cli" --list | tee "$work/list"
for f in one two three; do grep -qF "$url/$f.bin" "$work/list"; done
export HOME=$real_home
unset FETCHWRIGHT_HOME DISPLAY

if [ "${FW_PACKAGE_DEB:-1}" = 0 ]; then exit 0; fi

step "the Debian package"
rm -f "$build"/fetchwright_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/fetchwright_*.deb)
dpkg-deb --field "$deb"
lintian --fail-on error --info "$deb"

step "apt-get install"
manifests=(/etc/chromium/native-messaging-hosts/org.fetchwright.snarebolt.json
           /etc/opt/chrome/native-messaging-hosts/org.fetchwright.snarebolt.json
           /usr/lib/mozilla/native-messaging-hosts/org.fetchwright.snarebolt.json)
installed=1
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" >/dev/null
/usr/bin/fetchwright-cli --version
/usr/bin/fetchwright --help | grep -F "Program data (browser extension, sounds, manual): /usr/share/fetchwright" >/dev/null
for m in "${manifests[@]}"; do
  grep -qF '"path": "/usr/bin/snarebolt-host"' "$m" || { echo "missing or wrong: $m" >&2; exit 1; }
done
ldd /usr/bin/snarebolt-host | grep -E 'libsnarebolt.so.0 => /usr/(bin/../)?lib/' >/dev/null
dpkg-deb -c "$deb" | grep -E 'usr/share/man/man1/fetchwright-cli\.1\.gz$' >/dev/null

step "apt-get remove --purge"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove --purge -y -qq fetchwright >/dev/null
installed=0
for m in "${manifests[@]}"; do
  [ ! -e "$m" ] || { echo "left behind: $m" >&2; exit 1; }
done
[ ! -e /usr/bin/fetchwright ] && [ ! -e /usr/share/fetchwright ]
step "done"
