#!/usr/bin/env bash
# Lines of product code (src/ and the code library in library/), lines of tests (tests/
# without the golden files and other data under tests/data), and their ratio. Counts the
# files git tracks, so build folders and scratch files do not count.
set -euo pipefail
cd "$(dirname "$0")/.."

count() { git ls-files -z -- "$@" | xargs -0 -r cat | wc -l; }

product=$(count src library)
tests=$(count tests ':!tests/data')
echo "product code: $product lines (src/, library/)"
echo "tests:        $tests lines (tests/ without tests/data)"
awk -v t="$tests" -v p="$product" 'BEGIN { printf "ratio:        %.1f %%\n", p ? 100 * t / p : 0 }'
