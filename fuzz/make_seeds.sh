#!/usr/bin/env bash
# Builds the fuzzer's seed corpus in the folder given: every example task file
# with empty console answers, and every recorded case's task file with its
# console answers (task bytes, a NUL byte, the answers).
set -euo pipefail
out=${1:?usage: make_seeds.sh OUTPUT_FOLDER}
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
for f in "$top"/examples/*.Tsk; do
  [ -e "$f" ] || continue
  { cat "$f"; printf '\0\n\n\n\n'; } > "$out/example_$(basename "$f" .Tsk)"
done
for d in "$top"/tests/conformance/*/ "$top"/tests/e2e/*/; do
  [ -f "$d/Helisolv.Tsk" ] || continue
  name=$(basename "$d")
  { cat "$d/Helisolv.Tsk"; printf '\0'; [ -f "$d/stdin.txt" ] && cat "$d/stdin.txt"; } > "$out/case_$name"
done
