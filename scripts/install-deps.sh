#!/usr/bin/env bash
# Installs what building and testing Fetchwright needs on a Debian machine.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libssl3 openssl python3 python3-pyftpdlib
  nginx-light tinyproxy microsocks dante-server vsftpd
  pkg-config libsystemd-dev dbus-daemon python3-dbusmock
  chromium chromium-driver firefox-esr
  qt6-base-dev qt6-qpa-plugins qt6-multimedia-dev fonts-dejavu-core adwaita-icon-theme
  xvfb xauth xdotool x11-utils openbox trayer imagemagick
  scdoc gzip file dpkg-dev lintian desktop-file-utils appstream man-db
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# web-ext (npm) lints the Firefox build of the browser extension.
if ! command -v web-ext >/dev/null 2>&1; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! command -v npm >/dev/null 2>&1; then
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm
  fi
  NO_UPDATE_NOTIFIER=1 "${sudo_cmd[@]}" npm install -g --no-audit --no-fund web-ext@10.8.0
fi
# The packaged daemons start themselves on install; the tests run their own copies.
for svc in nginx tinyproxy danted vsftpd; do
  if command -v systemctl >/dev/null 2>&1; then systemctl stop "$svc" >/dev/null 2>&1 || true; fi
  service "$svc" stop >/dev/null 2>&1 || true
done
