#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz/ and
# runs each for a bounded time on a scratch copy of fuzz/corpus/<target>/.
#   scripts/fuzz.sh                  30 s per target
#   FUZZ_SECONDS=300 scripts/fuzz.sh longer runs
#   FUZZ_SKIP_KNOWN=0 scripts/fuzz.sh  also feed inputs that hit the known
#       libplist 2.2 abort (a NUL inside a string); skipped by default so the
#       time goes to finding something new
# Exit status: 0 nothing found; 1 a failure (crash, sanitizer report, leak,
# timeout, failed check) whose stack points into our code; 2 only failures
# inside libplist. Inputs and stacks stay in the scratch directory printed.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

bash scripts/setup-deps.sh build fuzz

seconds=${FUZZ_SECONDS:-30}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DQV_BUILD_FUZZ=ON -DQV_SANITIZE=address,undefined \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_BUILD_TESTS=OFF -DQV_BUILD_UI=OFF -DQV_BUILD_EXAMPLES=OFF -DQV_BUILD_BENCH=OFF
cmake --build "$build" --target fuzz_info_plist fuzz_strings_table

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qv-fuzz.XXXXXX")
# Never the real user's files: the library reads HOME and XDG_* for some paths.
mkdir -p "$scratch/home" "$scratch/tmp"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export XDG_CACHE_HOME="$scratch/home/.cache" XDG_STATE_HOME="$scratch/home/.local/state" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TMPDIR="$scratch/tmp" QV_ALERT_PRESENTER=log QV_FUZZ_SKIP_KNOWN=${FUZZ_SKIP_KNOWN:-0}
# Leak checking stays on; a leak counts as a finding like a crash.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Names the first stack frame of a failure that is not libc, the sanitizers or
# libFuzzer itself: that is where the fault lies.
culprit() {
  grep -E '^ +#[0-9]+ 0x' "$1" |
    grep -Ev 'libc\.so|/libc-|nptl/|stdlib/|assert/|signal/|__sanitizer|sanitizer_common|fuzzer::|LLVMFuzzerTestOneInput|_start\b|__libc_start|in main ' |
    head -n 1 || true
}

ours=0 libplist=0
for target in fuzz_info_plist fuzz_strings_table; do
  dir="$scratch/$target"
  corpus="$dir/corpus" artifacts="$dir/artifacts/"
  mkdir -p "$corpus" "$artifacts"
  cp "$repo/fuzz/corpus/$target/"* "$corpus/"
  echo "== $target for ${seconds}s"
  # Fork mode keeps fuzzing after a failure, so a known crash (say, one inside
  # libplist) does not end the run before the rest of the code was exercised.
  "$build/fuzz/$target" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$artifacts" "$corpus" >"$dir/log" 2>&1 || true
  grep -E '^#[0-9]+: cov:' "$dir/log" | tail -n 1 || true
  for input in "$artifacts"*; do
    [ -e "$input" ] || continue
    # Replayed on its own for a clean stack.
    "$build/fuzz/$target" "$input" >"$input.txt" 2>&1 && status=0 || status=$?
    frame=$(culprit "$input.txt")
    if [ "$status" -eq 0 ]; then
      where="does not reproduce"
    elif printf '%s' "$frame" | grep -q 'libplist'; then
      where="inside libplist"; libplist=$((libplist + 1))
    else
      where="in our code"; ours=$((ours + 1))
    fi
    echo "!! $target: $(basename "$input") ($where)"
    echo "   $(grep -m1 -E '^fuzz_[a-z_]+: |ERROR|Assertion|runtime error' "$input.txt" || true)"
    echo "   $frame"
    echo "   stack: $input.txt"
  done
done

if [ "$ours" -gt 0 ]; then
  echo "fuzzing found $ours failure(s) in our code and $libplist inside libplist; inputs and stacks under $scratch" >&2
  exit 1
elif [ "$libplist" -gt 0 ]; then
  echo "fuzzing found $libplist failure(s) inside libplist (reached through our code); inputs and stacks under $scratch" >&2
  exit 2
fi
rm -rf "$scratch"
echo "fuzzing found nothing"
