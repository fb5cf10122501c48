#!/usr/bin/env bash
# Installs what is needed, builds Fetchwright and runs its main program with the
# arguments given (see README.md).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec build/app/fw_smoke/fetchwright-smoke "$@"
