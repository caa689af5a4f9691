#!/usr/bin/env bash
# Builds the fuzz targets (clang, in build-fuzz) and runs each for a bounded time from
# its committed seed corpus, printing executions per second and in total. Any crash,
# sanitizer report or broken check fails the run; the input that did it is kept in
# the work directory and shown in hex.
#
# Usage: fuzz/run.sh [TARGET...]      (no target: all of them)
# Environment: FUZZ_SECONDS per target (default 20), FUZZ_WORK (default a new
# temporary directory; the corpus grown there is left for a look when set).
#
# Runs as root in a network namespace of its own and without CAP_SYS_TIME, so that no
# handler can reach the network or the clock whatever the input.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
build=$repo/build-fuzz
seconds=${FUZZ_SECONDS:-20}

targets=("$@")
if ((${#targets[@]} == 0)); then
	mapfile -t targets < <(sed -n 's/^set(FUZZ_TARGETS \(.*\))$/\1/p' "$here/CMakeLists.txt" | tr ' ' '\n')
fi

echo "== build fuzz targets (clang)"
mkdir -p "$build"
if ! { CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -DTIDEWIRE_FUZZ=ON &&
	cmake --build "$build" --target fuzzers -j 2; } >"$build/build.log" 2>&1; then
	tail -50 "$build/build.log"
	echo "fuzz build failed; the whole log is in $build/build.log"
	exit 1
fi

work=${FUZZ_WORK:-}
if [[ -z $work ]]; then
	work=$(mktemp -d)
	trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

# The fuzzers run confined when we may: a network namespace, no clock setting.
confine=()
if (($(id -u) == 0)) && command -v unshare >/dev/null && command -v setpriv >/dev/null; then
	confine=(unshare --net setpriv --bounding-set=-sys_time --inh-caps=-sys_time)
fi

failed=0
total=0
printf '%-16s %10s %12s %8s\n' target "execs/s" "total execs" corpus
for t in "${targets[@]}"; do
	bin=$build/fuzz/fuzz_$t
	[[ -x $bin ]] || { echo "no fuzz target '$t'"; exit 2; }
	corpus=$work/$t
	mkdir -p "$corpus" "$work/$t.crashes"
	[[ -d $here/corpus/$t ]] && cp -n "$here/corpus/$t"/* "$corpus"/ 2>/dev/null || true
	log=$work/$t.log
	rc=0
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		"${confine[@]}" "$bin" -max_total_time="$seconds" -max_len=9000 -timeout=10 \
		-rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$work/$t.crashes/" \
		"$corpus" >"$log" 2>&1 || rc=$?
	execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
	secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -1)
	[[ -n $secs && $secs -gt 0 ]] || secs=$seconds
	size=$(find "$corpus" -type f | wc -l)
	printf '%-16s %10s %12s %8s\n' "$t" "$(( ${execs:-0} / secs ))" "${execs:-0}" "$size"
	total=$((total + ${execs:-0}))
	if ((rc != 0)) || compgen -G "$work/$t.crashes/*" >/dev/null; then
		failed=$((failed + 1))
		echo "FAIL: fuzz target '$t' (exit status $rc):"
		grep -E 'ERROR|SUMMARY|check failed|runtime error|#[0-9]+ 0x' "$log" | head -40 | sed 's/^/    /'
		for a in "$work/$t.crashes"/*; do
			[[ -e $a ]] || continue
			echo "    input $(basename "$a") ($(wc -c <"$a") bytes):"
			od -A x -t x1z -v "$a" | head -16 | sed 's/^/      /'
		done
	fi
done
echo "fuzzing: $total executions in all"
if ((failed)); then
	echo "$failed fuzz target(s) failed"
	exit 1
fi
echo "== fuzzing found nothing"
