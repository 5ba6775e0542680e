#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds the tree into DIR, with
# warnings as errors. Fails when configuring or building fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
cmake -S "$root" -B "$dir" -G Ninja -DPELMORA_WERROR=ON "$@" >/dev/null
# Ninja's progress lines are dropped; the status is the build's (pipefail), not
# that of the filter, which fails when it lets no line through.
cmake --build "$dir" -- -j"$(nproc)" | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
