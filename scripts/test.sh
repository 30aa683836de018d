#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the sanitizer build, the
# fuzz targets (when clang is present), the Windows build and finally the regular build
# (whose tests run the Windows build under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh --test

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPF_SANITIZE=ON -DPF_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The generated classes (label run) execute in LibreOffice: once, in the regular build.
ctest --test-dir build-asan --output-on-failure -j 2 -LE run

if command -v clang++ >/dev/null 2>&1; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPF_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build-fuzz -j "$jobs"
  for fuzzer in build-fuzz/fuzzers/*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="build-fuzz/corpus-$name"
    mkdir -p "$corpus"
    seeds="fuzz/seeds/$name"
    echo "== fuzzing $name for ${PF_FUZZ_SECONDS:-30} s"
    if [ -d "$seeds" ]; then
      "$fuzzer" -max_total_time="${PF_FUZZ_SECONDS:-30}" -print_final_stats=0 "$corpus" "$seeds" 2>build-fuzz/$name.log \
        || { tail -n 60 build-fuzz/$name.log; exit 1; }
    else
      "$fuzzer" -max_total_time="${PF_FUZZ_SECONDS:-30}" -print_final_stats=0 "$corpus" 2>build-fuzz/$name.log \
        || { tail -n 60 build-fuzz/$name.log; exit 1; }
    fi
    tail -n 1 build-fuzz/$name.log
  done
fi

# The Windows build, whose tests (CliWindows in test_cli) run it under Wine.
echo "== Windows build"
windows_start=$(date +%s)
bash scripts/build-windows.sh build/windows
# The tests' private Wine prefix is made (or updated) here and its server waited for, so that
# no test's first run meets Wine's own set-up messages or a prefix still being written.
WINEPREFIX="$PWD/build/windows/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' wineboot -u >/dev/null 2>&1 || true
WINEPREFIX="$PWD/build/windows/prefix" wineserver -w || true
echo "Windows build: $(($(date +%s) - windows_start)) s"
export PF_WINDOWS_TESTS=1

echo "== tests"
ctest --test-dir build --output-on-failure -j 2
