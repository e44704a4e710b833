#!/usr/bin/env bash
# The main job: the login-item helper launching the example principal
# application. Builds what it needs, places Example.app in a temporary
# "Applications" folder, runs the helper twice and stops the example.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh build demo
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target example_app example_helper >/dev/null

apps=$(mktemp -d "${TMPDIR:-/tmp}/qv-demo.XXXXXX")/Applications
mkdir -p "$apps"
cp -a build/examples/Example.app "$apps/"
principal="$apps/Example.app/Contents/MacOS/Example"
helper="$apps/Example.app/Contents/Library/LoginItems/Example Helper.app/Contents/MacOS/Example Helper"
# Without a display or terminal an alert would be logged and answered "Ok".
export QV_ALERT_PRESENTER=${QV_ALERT_PRESENTER:-log}
cleanup() {
  pkill -f -x "$principal" 2>/dev/null || true
  rm -rf "$(dirname "$apps")"
}
trap cleanup EXIT

echo "== Example.app placed in $apps"
echo "== First run of the helper: the principal application is not running"
"$helper"
echo "   helper exit status: $?"
for _ in $(seq 50); do pgrep -f -x "$principal" >/dev/null && break; sleep 0.1; done
echo "== Running now:"
pgrep -a -f -x "$principal" || { echo "Example did not start" >&2; exit 1; }
echo "== Second run of the helper: the principal application is found running"
"$helper"
echo "   helper exit status: $?"
echo "== Still exactly one Example:"
pgrep -a -f -x "$principal"
echo "== Stopping Example"
pkill -f -x "$principal"
