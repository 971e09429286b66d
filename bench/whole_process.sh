#!/bin/sh
# Whole-process wall time of helisolv, start to stop, for the heaviest design
# run (Kq/J^5, Gawn series, inputs 5000 7 200 1025 3 0.8) and the bundled
# Kt/J^2 example, as the median of many runs (hyperfine, Debian package
# `hyperfine`). Give one or more helisolv binaries to compare them:
#   bench/whole_process.sh build/helisolv [other/helisolv ...]
# RUNS (default 100) sets the number of runs per binary and task.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/heaviest" "$work/kt_j2"
sed 's/^5000 7 150 1025 3 0.7$/5000 7 200 1025 3 0.8/' \
  "$here/examples/type03_kqj5_design_gawn.Tsk" >"$work/heaviest/Helisolv.Tsk"
cp "$here/examples/type01_ktj2_design.Tsk" "$work/kt_j2/Helisolv.Tsk"
for task in heaviest kt_j2; do
  cmds=""
  for bin in "$@"; do
    bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
    cmds="$cmds '$bin'"
  done
  echo "== $task"
  (cd "$work/$task" && eval hyperfine -N --warmup 5 --runs "$runs" \
    --export-json "$work/$task.json" "$cmds" >/dev/null)
  python3 - "$work/$task.json" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    print(f"{r['median'] * 1000:8.2f} ms median  (user {r['user'] * 1000:.2f} ms, "
          f"system {r['system'] * 1000:.2f} ms)  {r['command']}")
PY
done
