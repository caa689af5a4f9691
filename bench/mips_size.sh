#!/usr/bin/env bash
# What the daemon takes of a router's flash: the stripped sizes of tidewire and
# libnmea2000.so built for big-endian 32-bit MIPS (scripts/cross-check builds them).
# Strips copies; the build's own files keep their symbols. Prints figures only.
#
# Usage: bench/mips_size.sh [BUILD_DIR]   (default: build-mips of the repository)
set -euo pipefail
repo=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
build=${1:-$repo/build-mips}
strip=${STRIP:-mips-linux-gnu-strip}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for f in app/tidewire buslib/libnmea2000.so; do
  [[ -f $build/$f ]] || { echo "not found: $build/$f (run scripts/cross-check first)" >&2; exit 2; }
  cp "$build/$f" "$work/"
  "$strip" --strip-unneeded "$work/${f##*/}"
  printf 'MIPS stripped size: %-16s %8d bytes (%d KiB; unstripped %d KiB)\n' "${f##*/}" \
    "$(stat -c %s "$work/${f##*/}")" "$(($(stat -c %s "$work/${f##*/}") / 1024))" \
    "$(($(stat -c %s "$build/$f") / 1024))"
done
