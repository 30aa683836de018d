#!/usr/bin/env bash
# Checks that every #include in src/ points to the including file's own folder or to a layer
# below it, in the order of src/layers.txt (bottom layer first; folders on one line are
# peers that may not include each other). Also rejects folders of src/ missing from the list,
# and any test of _WIN32 above src/platform.
# Prints one line per fault and exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=src/layers.txt
mapfile -t sources < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

awk -v layers="$layers" '
  BEGIN {
    rank = 0
    while ((getline line < layers) > 0) {
      if (line ~ /^[ \t]*(#|$)/) continue
      rank++
      n = split(line, peers, /[ \t]+/)
      for (i = 1; i <= n; i++) if (peers[i] != "") level[peers[i]] = rank
    }
    faults = 0
  }
  FNR == 1 {
    split(FILENAME, parts, "/")
    folder = parts[2]
    dir = FILENAME; sub(/\/[^\/]*$/, "", dir)
    if (!(folder in level) && !(folder in unlisted)) {
      unlisted[folder] = 1
      printf "src/%s: folder missing from %s\n", folder, layers
      faults++
    }
  }
  /^[ \t]*#[ \t]*include[ \t]*["<]/ {
    target = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*["<]/, "", target)
    sub(/[">].*$/, "", target)
    slash = index(target, "/")
    if (slash == 0) {
      # A bare name must be a file beside the includer (system headers use <>).
      if ($0 ~ /"/ && system("test -f \"" dir "/" target "\"") != 0) {
        printf "%s:%d: includes \"%s\", which is neither beside it nor named by its folder\n", FILENAME, FNR, target
        faults++
      }
      next
    }
    to = substr(target, 1, slash - 1)
    if (!(to in level) || to == folder || !(folder in level)) next
    if (level[to] > level[folder]) {
      printf "%s:%d: includes %s from %s, a layer above %s\n", FILENAME, FNR, target, to, folder
      faults++
    } else if (level[to] == level[folder]) {
      printf "%s:%d: includes %s from %s, a peer of %s\n", FILENAME, FNR, target, to, folder
      faults++
    }
  }
  END {
    if (faults) { printf "%d layer fault(s); the order is in %s\n", faults, layers; exit 1 }
  }
' "${sources[@]}"

# Windows differences live in the platform layer and below it: no other folder tests _WIN32.
if grep -n '_WIN32' $(printf '%s\n' "${sources[@]}" | grep -v '^src/platform/\|^src/base/'); then
  echo "the lines above test _WIN32 outside src/platform and src/base"
  exit 1
fi
