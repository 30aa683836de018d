#!/usr/bin/env bash
# Checks that every line of C++ (.cpp, .h) changed since the commit below is as clang-format
# writes it (.clang-format). Lines older than that commit are left as they were written, so
# a change is formatted where it touches a file and nowhere else. Prints what clang-format
# would change and exits 1 when there is anything; `git clang-format BASE` formats it.
set -euo pipefail
cd "$(dirname "$0")/.."

base=0360163f291c6bd01b8723f04626748a366375d9

if ! command -v git-clang-format >/dev/null 2>&1; then
  echo "check-format: git-clang-format is missing (bash scripts/bootstrap.sh installs clang-format)" >&2
  exit 1
fi
if ! git cat-file -e "$base^{commit}" 2>/dev/null; then
  echo "check-format: commit $base is not in this clone; nothing checked"
  exit 0
fi
out=$(git clang-format --diff --extensions cpp,h "$base" -- 2>&1)
case "$out" in
  "" | *"no modified files to format"* | *"did not modify any files"*) exit 0 ;;
esac
printf '%s\n' "$out"
echo "check-format: the lines above are not formatted; run: git clang-format $base"
exit 1
