#!/usr/bin/env bash
# Plants single-line faults (mutants) one at a time in a scratch copy of the tree, rebuilds
# the test programs each one names, runs them, and reports whether a test noticed: caught
# (the failing tests are named), survived, or not built (the mutant does not compile).
# A tool for judging the tests, not part of the test command.
#
#   scripts/mutants.sh [LIST] [NUMBER...]
#
# LIST (default scripts/mutants.txt) has one mutant a line, four fields separated by tabs:
#   file     the source file, relative to the tree
#   tests    the test programs to run, comma-separated subsystem names (codelib runs
#            build/tests/test_codelib), each optionally with a GoogleTest filter after a
#            colon (wizard:PagesTest.*)
#   text     the exact text to replace; it must occur exactly once in the file
#   new      what replaces it
# Blank lines and lines starting with # are skipped. NUMBERs pick mutants by line order
# (1 is the first mutant). The scratch copy (MUTANTS_DIR, default build-mutants/ in the
# tree, which git ignores) is the working tree as it is now, uncommitted changes included;
# it is built with the shared compiler cache, so only what a mutant touches is compiled.
# The table goes to stdout and to MUTANTS_DIR/report.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$root/scripts/mutants.txt}
[ $# -gt 0 ] && shift
picked=("$@")
work=${MUTANTS_DIR:-$root/build-mutants}
tree=$work/tree
build=$tree/build
timeout_s=${MUTANT_TIMEOUT:-900}

[ -f /work/ccache/env.sh ] && . /work/ccache/env.sh
mkdir -p "$tree"
# The files git tracks or would track (build folders and other ignored files stay out); a
# file is copied only when its content differs, so that only what changed is rebuilt.
(cd "$root" && git ls-files -co --exclude-standard -z) | while IFS= read -r -d '' f; do
  [ -f "$root/$f" ] || continue
  if ! cmp -s "$root/$f" "$tree/$f"; then
    mkdir -p "$(dirname "$tree/$f")"
    cp "$root/$f" "$tree/$f"
  fi
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >"$work/configure.log"
fi

# Replaces the one occurrence of $2 by $3 in file $1; fails when there is none or several.
apply() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, old, new = sys.argv[1:]
text = open(path, encoding="utf-8").read()
n = text.count(old)
if n != 1:
    sys.exit(f"{n} occurrences")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

# Runs the test programs of spec $1 (as the tests field gives them) in the scratch build;
# prints the names of the tests that failed, or nothing.
run_tests() {
  local r sub filter out names
  IFS=',' read -ra runs <<<"$1"
  for r in "${runs[@]}"; do
    sub=${r%%:*}
    filter=*
    [[ "$r" == *:* ]] && filter=${r#*:}
    out=$work/run-$2-$sub.log
    if ! (cd "$build/tests" && QT_QPA_PLATFORM=offscreen timeout "$timeout_s" "./test_$sub" \
      --gtest_filter="$filter" >"$out" 2>&1); then
      names=$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_./]*\)\(, .*\| (.*\)\?$/\1/p' "$out" | sort -u | tr '\n' ' ')
      echo "${names:-test_$sub (ended: see run-$2-$sub.log)}"
    fi
  done
}

# Targets of a tests field: test_<subsystem> for each entry.
targets_of() {
  local r
  IFS=',' read -ra runs <<<"$1"
  for r in "${runs[@]}"; do echo "test_${r%%:*}"; done | sort -u
}

# The unmutated tree must pass every test the list runs, or a mutant would look caught.
mapfile -t all_tests < <(grep -v '^#' "$list" | grep -v '^$' | cut -f2 | sort -u)
mapfile -t all_targets < <(for t in "${all_tests[@]}"; do targets_of "$t"; done | sort -u)
cmake --build "$build" -j 2 --target "${all_targets[@]}" >"$work/build-base.log" 2>&1 ||
  { echo "mutants: the unmutated tree does not build (build-base.log)" >&2; exit 1; }
for t in "${all_tests[@]}"; do
  failed=$(run_tests "$t" base)
  [ -z "$failed" ] || { echo "mutants: the unmutated tree fails $t: $failed" >&2; exit 1; }
done

report=$work/report.txt
printf '%-3s %-34s %-50s %s\n' "#" "file" "mutant" "result" | tee "$report"
n=0 caught=0 survived=0 broken=0
while IFS=$'\t' read -r file tests text new || [ -n "$file" ]; do
  [[ -z "$file" || "$file" == \#* ]] && continue
  n=$((n + 1))
  if [ ${#picked[@]} -gt 0 ] && [[ ! " ${picked[*]} " == *" $n "* ]]; then continue; fi
  label="'${text:0:22}' -> '${new:0:22}'"
  # The scratch copy's own file is put back afterwards: the tree may change meanwhile.
  cp "$tree/$file" "$work/original"
  if ! why=$(apply "$tree/$file" "$text" "$new" 2>&1); then
    result="not applied ($why)"
    broken=$((broken + 1))
  else
    mapfile -t targets < <(targets_of "$tests")
    if ! cmake --build "$build" -j 2 --target "${targets[@]}" >"$work/build-$n.log" 2>&1; then
      result="not built (build-$n.log)"
      broken=$((broken + 1))
    else
      failed=$(run_tests "$tests" "$n")
      if [ -n "$failed" ]; then
        result="caught by $failed"
        caught=$((caught + 1))
      else
        result="SURVIVED"
        survived=$((survived + 1))
      fi
    fi
  fi
  cp "$work/original" "$tree/$file"
  printf '%-3s %-34s %-50s %s\n' "$n" "$file" "$label" "$result" | tee -a "$report"
done <"$list"
echo "caught $caught, survived $survived, not applied or not built $broken" | tee -a "$report"
