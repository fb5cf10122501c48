#!/usr/bin/env bash
# Installs what is needed and builds Fetchwright. Without arguments it opens the desktop
# program; with arguments it runs fetchwright-cli with them, e.g.
# ./run.sh -s 8 https://host/file.iso (see README.md).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_TESTS=OFF >/dev/null
if (($# == 0)); then
  cmake --build build-release --target fetchwright -j"$(nproc)"
  exec build-release/app/fetchwright/fetchwright
fi
cmake --build build-release --target fetchwright-cli -j"$(nproc)"
exec build-release/app/fetchwright-cli/fetchwright-cli "$@"
