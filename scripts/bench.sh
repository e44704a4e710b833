#!/usr/bin/env bash
# Builds a Release tree in build-bench/ and measures:
#  1. runningApplications() per /proc entry, next to pgrep as a process and an
#     in-process /proc/<pid>/stat scan (Google Benchmark);
#  2. the whole run of the example login-item helper as a process, with the
#     principal application running and not running, next to /bin/true and
#     sh -c 'pgrep -x Example' (hyperfine), and prints the ratios.
#   scripts/bench.sh            BENCH_RUNS=300 BENCH_WARMUP=20 by default
# Everything runs from a scratch copy of Example.app in a scratch Applications
# folder, with HOME and XDG_* pointing into the scratch directory. The JSON
# results are kept in build-bench/results/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh build bench

runs=${BENCH_RUNS:-300}
warmup=${BENCH_WARMUP:-20}
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_BENCH=ON -DQV_BUILD_EXAMPLES=ON \
  -DQV_BUILD_TESTS=OFF -DQV_BUILD_UI=OFF
cmake --build "$build" --target running_apps_bench example_app example_helper

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qv-bench.XXXXXX")
mkdir -p "$scratch/home" "$scratch/run" "$scratch/tmp" "$scratch/Applications"
chmod 700 "$scratch/run"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export XDG_CACHE_HOME="$scratch/home/.cache" XDG_STATE_HOME="$scratch/home/.local/state" XDG_RUNTIME_DIR="$scratch/run"
export TMPDIR="$scratch/tmp" QV_ALERT_PRESENTER=log

cp -a "$build/examples/Example.app" "$scratch/Applications/"
app="$scratch/Applications/Example.app"
principal="$app/Contents/MacOS/Example"
helper="$app/Contents/Library/LoginItems/Example Helper.app/Contents/MacOS/Example Helper"

# Stops only the principals started from this scratch copy, by process id,
# and waits until they are gone, so that the next run sees none running.
cat >"$scratch/stop-principal.sh" <<STOP
#!/usr/bin/env bash
for pid in \$(pgrep -x Example || true); do
  [ "\$(readlink "/proc/\$pid/exe" 2>/dev/null)" = "$principal" ] && kill "\$pid" 2>/dev/null || true
done
for _ in \$(seq 200); do
  left=0
  for pid in \$(pgrep -x Example || true); do
    [ "\$(readlink "/proc/\$pid/exe" 2>/dev/null)" = "$principal" ] && left=1
  done
  [ "\$left" -eq 0 ] && exit 0
  sleep 0.01
done
echo "a principal did not stop" >&2
exit 1
STOP
chmod +x "$scratch/stop-principal.sh"

principal_pid=""
cleanup() {
  [ -n "$principal_pid" ] && kill "$principal_pid" 2>/dev/null || true
  "$scratch/stop-principal.sh" || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The helper starts the principal detached; once stopped it would stay a
# zombie unless someone reaps it. This wrapper becomes the subreaper and does.
reaping() {
  python3 - "$@" <<'PY'
import ctypes, os, subprocess, sys
ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
child = subprocess.Popen(sys.argv[1:])
status = None
while status is None:
    pid, st = os.wait()
    if pid == child.pid:
        status = os.waitstatus_to_exitcode(st)
sys.exit(status)
PY
}

echo "== runningApplications() per /proc entry"
"$build/bench/running_apps_bench" --benchmark_out="$scratch/bench.json" --benchmark_out_format=json

compare=(-N --warmup "$warmup" --runs "$runs")
cmds=("'$helper'" /bin/true "sh -c 'pgrep -x Example >/dev/null || true'")

echo "== helper with the principal running"
"$principal" >/dev/null &
principal_pid=$!
for _ in $(seq 500); do
  [ "$(readlink "/proc/$principal_pid/exe" 2>/dev/null)" = "$principal" ] && break
  sleep 0.01
done
[ "$(readlink "/proc/$principal_pid/exe" 2>/dev/null)" = "$principal" ] || { echo "the principal did not start" >&2; exit 1; }
hyperfine "${compare[@]}" --export-json "$scratch/running.json" "${cmds[@]}"
# The helper must not have started a second principal.
count=0
for pid in $(pgrep -x Example || true); do
  [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$principal" ] && count=$((count + 1))
done
[ "$count" -eq 1 ] || { echo "expected 1 principal while it runs, found $count" >&2; exit 1; }
kill "$principal_pid"
wait "$principal_pid" 2>/dev/null || true
principal_pid=""

echo "== helper with the principal not running (each run starts it; stopped before the next)"
reaping hyperfine "${compare[@]}" --prepare "$scratch/stop-principal.sh" --export-json "$scratch/not-running.json" "${cmds[@]}"
# Each run's principal is stopped before the next run of any command, so the
# launch is checked on one more run of its own.
cat >"$scratch/launch-check.sh" <<CHECK
#!/usr/bin/env bash
"$helper" >/dev/null 2>&1 || exit 1
for _ in \$(seq 500); do
  for pid in \$(pgrep -x Example || true); do
    [ "\$(readlink "/proc/\$pid/exe" 2>/dev/null)" = "$principal" ] && exec "$scratch/stop-principal.sh"
  done
  sleep 0.01
done
exit 1
CHECK
chmod +x "$scratch/launch-check.sh"
reaping "$scratch/launch-check.sh" || { echo "the helper did not start the principal" >&2; exit 1; }

mkdir -p "$build/results"
cp "$scratch"/*.json "$build/results/"
python3 - "$build/results" <<'PY'
import json, sys
d = sys.argv[1]
bench = {b["name"]: b for b in json.load(open(f"{d}/bench.json"))["benchmarks"]}
print("\n== summary")
for name, b in bench.items():
    if "per_entry" in b:
        print(f"{name:36s} {b['real_time']:9.1f} us  {b['per_entry'] * 1e6:7.2f} us/entry  ({b['entries']:.0f} entries)")
ra = bench.get("BM_RunningApplications/real_time")
for peer in ("BM_PgrepProcess/real_time", "BM_ProcStatScan/real_time"):
    if ra and peer in bench:
        print(f"runningApplications / {peer.split('/')[0][3:]}: {ra['real_time'] / bench[peer]['real_time']:.3f}")
for situation in ("running", "not-running"):
    r = json.load(open(f"{d}/{situation}.json"))["results"]
    helper, true, pgrep = (x["mean"] * 1e6 for x in r)
    print(f"principal {situation:11s}: helper {helper:8.0f} us  true {true:6.0f} us  sh-pgrep {pgrep:6.0f} us"
          f"  helper/true {helper / true:6.2f}  helper/sh-pgrep {helper / pgrep:5.2f}")
PY
