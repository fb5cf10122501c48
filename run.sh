#!/usr/bin/env bash
# Installs what is needed, builds Fetchwright and runs fetchwright-cli with the
# arguments given, e.g. ./run.sh -s 8 https://host/file.iso (see README.md).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_TESTS=OFF >/dev/null
cmake --build build-release --target fetchwright-cli -j"$(nproc)"
exec build-release/app/fetchwright-cli/fetchwright-cli "$@"
