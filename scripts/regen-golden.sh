#!/usr/bin/env bash
# Rewrites the golden files under tests/data/golden from what the generator produces now,
# then shows what changed: the files, their line counts and the first changed lines. Read
# the whole diff (git diff tests/data/golden) before committing it. The slow tests (the
# label run, which executes generated classes in LibreOffice) write no golden files and
# are left out.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j 2
status=0
PF_REGEN_GOLDEN=1 ctest --test-dir build -LE run -j 2 --output-on-failure || status=$?

echo "== golden files changed or new:"
git status --short -- tests/data/golden
git diff --stat -- tests/data/golden
echo "== first changed lines (git diff tests/data/golden shows them all):"
git diff -U0 --no-color -- tests/data/golden | grep -E '^(\+\+\+|[-+][^-+])' | head -n 60 || true
for f in $(git ls-files --others --exclude-standard -- tests/data/golden); do
  echo "new: $f ($(wc -l <"$f") lines)"
done
[ "$status" = 0 ] || echo "== some tests failed besides the golden comparisons (above)"
exit "$status"
