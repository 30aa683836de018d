#!/usr/bin/env bash
# Rewrites the golden files under tests/data/golden from what the generator produces now,
# then shows what changed. Review the diff before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j 2
PF_REGEN_GOLDEN=1 ctest --test-dir build --output-on-failure
git status --short tests/data/golden
git diff --stat tests/data/golden
