#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: only missing packages are installed, so a second run is quick.
# With --test also what only the tests need: LibreOffice Basic, which runs the generated
# classes, and its PostgreSQL driver and Python bridge; the package checks (lintian,
# appstreamcli, man); strace for the test that watches how files are written; and what
# --windows installs.
# With --windows what the Windows build (scripts/build-windows.sh) and its tests need: the
# mingw-w64 cross compiler, Wine, tclsh (SQLite's sources make its single file with it), zip
# and NSIS (the installer).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git dpkg-dev
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpugixml-dev
  unixodbc unixodbc-dev odbcinst
  tdsodbc odbc-mdbtools odbc-postgresql libsqliteodbc
  libsqlite3-dev sqlite3
  postgresql postgresql-client
  xauth xvfb
)
if [ "${1:-}" = "--test" ]; then
  packages+=(libreoffice-core-nogui libreoffice-sdbc-postgresql python3-uno)
  packages+=(file lintian appstream man-db)
  packages+=(strace)  # the file-write test watches the system calls
  packages+=(gdb)     # a hung test prints every thread's stack
fi
if [ "${1:-}" = "--test" ] || [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 tcl zip unzip nsis)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all packages present"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "bootstrap: done"
