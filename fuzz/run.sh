#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Sealmill developers
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs every fuzz target (or the ones named) for SECONDS each, one after the
# other, on a scratch copy of its seed corpus, and prints the executions each
# ran. Exits 1 if any target finds a fault; the input that broke it is kept
# in BUILD/fuzz-findings/, never in the repository.
#   fuzz/run.sh BUILD SECONDS [TARGET...]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:?usage: fuzz/run.sh BUILD SECONDS [TARGET...]}"
seconds="${2:?usage: fuzz/run.sh BUILD SECONDS [TARGET...]}"
shift 2
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(serialfield templatefile outputpath signerarguments)

build="$(cd "$build" && pwd)"
findings="$build/fuzz-findings"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$findings"

printf '%-16s %8s %12s  %s\n' target seconds executions result
status=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  corpus="$scratch/$target"
  log="$scratch/$target.log"
  mkdir -p "$corpus"
  cp "$here/corpus/$target/"* "$corpus/"
  # Run from the scratch folder: libFuzzer drops stray files in its current directory.
  result=ok
  (cd "$scratch" && "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus" >"$log" 2>&1) || result=FINDING
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  printf '%-16s %8s %12s  %s\n' "$target" "$seconds" "${executions:-?}" "$result"
  if [ "$result" != ok ]; then
    status=1
    echo "--- $target: end of libFuzzer's log" >&2
    tail -n 40 "$log" >&2
    echo "--- saved in $findings:" >&2
    ls -1 "$findings" | grep "^$target-" >&2 || true
  fi
done
exit "$status"
