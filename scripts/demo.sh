#!/usr/bin/env bash
# Installs what is missing, builds the programs, and shows where they are.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
echo "Built into $(pwd)/build/bin:"
ls build/bin
