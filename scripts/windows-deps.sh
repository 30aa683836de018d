#!/usr/bin/env bash
# Fetches and prepares the sources of the libraries that the Windows build compiles itself
# (Debian ships no Windows build of them): SQLite and pugixml, as Debian's source packages
# of the pinned versions below, checked against the pinned SHA-256 sums.
#
#   scripts/windows-deps.sh DIR
#
# The sources come through apt with a source list of its own inside DIR, so the system's
# apt settings stay as they are. Everything is kept in DIR: a second run only checks that it
# is there. Results:
#   DIR/sqlite/sqlite3.c, sqlite3.h   the single-file SQLite made from Debian's source tree
#   DIR/pugixml/src/                  pugixml's sources
set -euo pipefail

dir=$(mkdir -p "$1" && cd "$1" && pwd)

# Pinned versions and the SHA-256 sums of their files. A new Debian revision replaces the
# old one on the mirror; the build then takes the pinned files from Debian's snapshot archive,
# at a time that holds both versions (the files are checked by their sums wherever they come
# from). Move the pins (versions, sums and snapshot time) to follow Debian's security fixes.
sqlite_version=3.40.1-2+deb12u2
pugixml_version=1.13-0.2
snapshot_time=20250520T000000Z
sums="
aaa776260ab4dc976db34aa7891819484c8676b5b2783123ebc6301e2ca5d655  sqlite3_3.40.1.orig.tar.xz
0843bc12e4364076477935ce313a6d0796fd899a989ff18ebb6545540e10e4ca  sqlite3_3.40.1-2+deb12u2.debian.tar.xz
ee3459ae9d00939741c7708fc1b8ce1bde12d8c3fb1dfa005bbbc8651d884e23  sqlite3_3.40.1-2+deb12u2.dsc
5c5ad5d7caeb791420408042a7d88c2c6180781bf218feca259fd9d840a888e1  pugixml_1.13.orig.tar.gz
15ad5e40790d0155f6d4d55b7dd382974264d04e328de800a65e9fa5d5e8fb5d  pugixml_1.13-0.2.debian.tar.xz
f0ef481b50b6d01b04269fe109a2cace8d9dad6f6eb089f1c9aac5a0913aa7c2  pugixml_1.13-0.2.dsc
"

if [ -f "$dir/sqlite/sqlite3.c" ] && [ -f "$dir/pugixml/src/pugixml.cpp" ]; then
  exit 0
fi

fetch="$dir/fetch"
mkdir -p "$fetch/lists/partial" "$fetch/cache/archives/partial"
if ! (cd "$fetch" && echo "$sums" | sed '/^$/d' | sha256sum --quiet -c - >/dev/null 2>&1); then
  apt_private=(-o "Dir::Etc::sourcelist=$fetch/sources.list" -o "Dir::Etc::sourceparts=-"
    -o "Dir::State::Lists=$fetch/lists" -o "Dir::Cache=$fetch/cache"
    -o "APT::Sandbox::User=$(id -un)" -o Debug::NoLocking=1)
  echo "windows-deps: fetching the sources of sqlite3 $sqlite_version and pugixml $pugixml_version"
  # The snapshot's index files are old on purpose: apt is told not to refuse them for that.
  fetched=""
  for archive in "http://deb.debian.org/debian" \
    "[check-valid-until=no] http://snapshot.debian.org/archive/debian/$snapshot_time"; do
    echo "deb-src $archive bookworm main" >"$fetch/sources.list"
    rm -rf "$fetch/lists" && mkdir -p "$fetch/lists/partial"
    if apt-get "${apt_private[@]}" -qq update &&
      (cd "$fetch" && apt-get "${apt_private[@]}" -qq source --download-only \
        "sqlite3=$sqlite_version" "pugixml=$pugixml_version" >/dev/null); then
      fetched=$archive
      break
    fi
    echo "windows-deps: the pinned versions are not to be had from ${archive##* }" >&2
  done
  if [ -z "$fetched" ]; then
    echo "windows-deps: no archive gave the pinned versions; move the pins in $0" >&2
    exit 1
  fi
  (cd "$fetch" && echo "$sums" | sed '/^$/d' | sha256sum --quiet -c -) || {
    echo "windows-deps: a fetched file does not have its pinned SHA-256 sum" >&2
    exit 1
  }
fi

# dpkg-source unpacks the upstream tree and applies Debian's patches (its security fixes).
rm -rf "$dir/pugixml" "$dir/sqlite" "$dir/sqlite-src"
dpkg-source --no-check -x "$fetch/pugixml_${pugixml_version}.dsc" "$dir/pugixml" >/dev/null
dpkg-source --no-check -x "$fetch/sqlite3_${sqlite_version}.dsc" "$dir/sqlite-src" >/dev/null

# SQLite's single-file form is generated from its source tree by its own build (with tclsh).
mkdir -p "$dir/sqlite-build"
(cd "$dir/sqlite-build" && ../sqlite-src/configure --disable-tcl >configure.log 2>&1 &&
  make sqlite3.c >make.log 2>&1) || {
  echo "windows-deps: making sqlite3.c failed; see $dir/sqlite-build" >&2
  exit 1
}
mkdir -p "$dir/sqlite"
cp "$dir/sqlite-build/sqlite3.c" "$dir/sqlite-build/sqlite3.h" "$dir/sqlite/"
rm -rf "$dir/sqlite-build" "$dir/sqlite-src"
echo "windows-deps: ready in $dir"
