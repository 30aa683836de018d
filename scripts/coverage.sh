#!/usr/bin/env bash
# Line coverage of src/ by the tests: builds an instrumented copy in build-coverage, runs
# every test there and prints gcovr's summary (the TOTAL line gives the percentage).
# Installs gcovr when it is missing. Not part of the normal test command: the build is
# slower and the figure is for reviewing how much the tests reach. build-coverage/coverage.json
# feeds scripts/coverage-lost.py, which names the lines a change to the tests stopped reaching.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v gcovr >/dev/null 2>&1; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends gcovr >/dev/null
fi

out=build-coverage
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPF_BENCH=OFF -DPF_LAYER_LINK_CHECK=OFF \
  -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_C_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$out" -j "$(nproc)"
find "$out" -name '*.gcda' -delete
# The full-disk case runs procforge-cli under a 4 KB file-size limit, so the coverage data that
# child writes on exit is cut short and spoils the counts of every file it holds; leave it out.
# The folder-permission case runs procforge-cli as another user, who cannot write the coverage
# data, and fails on the messages that says so.
GTEST_FILTER='-CliHtml.AFullDiskLeavesTheEarlierFile:CliConfigure.FoldersWithoutReadOrWritePermission' ctest --test-dir "$out" -j 2 --output-on-failure >/dev/null ||
  echo "coverage: some tests failed; the figure counts what ran"
gcovr --root . --filter 'src/' --object-directory "$out" --print-summary --txt "$out/coverage.txt" --json "$out/coverage.json" \
  --exclude-unreachable-branches "$out"
