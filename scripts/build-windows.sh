#!/usr/bin/env bash
# Builds procforge-cli.exe for 64-bit Windows with Debian's mingw-w64 and packs the zip that a
# Windows user unpacks and runs: the program, the code library and its modules, the samples,
# the user guide and a short README.
#
#   scripts/build-windows.sh [BUILD_DIR]      (default build/windows)
#
# Kept between runs inside BUILD_DIR: deps/ (the fetched SQLite and pugixml sources), cross/
# (the build), the zip procforge-cli-VERSION-windows-x64.zip and the installer
# procforge-cli-VERSION-windows-x64-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
out=$(mkdir -p "${1:-build/windows}" && cd "${1:-build/windows}" && pwd)

bash scripts/bootstrap.sh --windows
bash scripts/windows-deps.sh "$out/deps"

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$out/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
  -DPF_WINDOWS_DEPS="$out/deps" "${launcher[@]}" >/dev/null
cmake --build "$out/cross" -j "$(nproc)"

version=$(sed -n 's/^project(Procforge VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=procforge-cli-$version-windows-x64
stage="$out/stage/$name"
rm -rf "$out/stage"
mkdir -p "$stage/samples"
x86_64-w64-mingw32-strip -o "$stage/procforge-cli.exe" "$out/cross/bin/procforge-cli.exe"
cp library/* docs/PFG_UserGuide.htm "$stage/"
for sample in samples/*/; do
  mkdir -p "$stage/$sample"
  cp "$sample"* "$stage/$sample"
done
cp samples/README.md "$stage/samples/"
cp packaging/windows-readme.txt "$stage/README.txt"
# Text files get Windows line ends; the code library and modules keep the bytes they have.
sed -i 's/\r\?$/\r/' "$stage/README.txt"
rm -f "$out/$name.zip"
(cd "$out/stage" && zip -q -r -X "$out/$name.zip" "$name")
echo "build-windows: $out/$name.zip"

# The installer (NSIS) installs the same files; its uninstaller removes those files by name,
# then the folders left empty.
files="$out/stage/files.nsh"
(cd "$stage" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|' &&
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|') >"$files"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" -DOUTFILE="$out/$name-setup.exe" \
  packaging/procforge-cli.nsi >/dev/null
echo "build-windows: $out/$name-setup.exe"
