#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the three builds, runs the
# host tests (sanitizers), the checks of the shipped executable, and the Wine
# tests inside one Wine session. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${TARIFEX_JOBS:-2}

bash scripts/setup.sh || exit 1
for preset in host product wine; do
  echo "== build $preset"
  { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs"; } || { echo "build $preset failed"; exit 1; }
done

passed=0 failed=0
run() { # label, command...
  local label=$1; shift
  echo "== tests: $label"
  local log; log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  local line p f
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [[ -z $line ]]; then failed=$((failed + 1)); echo "$label: no test summary"; return; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  p=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - f ))
  passed=$((passed + p)); failed=$((failed + f))
}
run host ctest --preset host
run product ctest --preset product
run wine tools/wine/session --prefix "$PWD/build/wine/prefix" -- ctest --preset wine

echo "all: $passed passed, $failed failed"
((failed == 0))
