#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 60),
# one after another on a single core at low priority, starting from the kept
# corpus in tests/fuzz/corpus/ and seeds made by voltrek-gen. Afterwards the
# corpus is minimised back into tests/fuzz/corpus/ (inputs up to 16 KB only,
# so it stays small). Findings land in build/fuzz/findings/; each one belongs
# in the ordinary tests as a regression case.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   scripts/fuzz.sh --ci [SECONDS] [TARGET...]
# With --ci (default 10 s per target) the corpus is only read, never
# rewritten, and any finding makes the script fail; VOLTREK_GEN may name an
# already built voltrek-gen so that the clang build skips it. Every target is
# a tests/fuzz/fuzz_*.cpp.
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
root=$(pwd)
ci=0
if [ "${1:-}" = --ci ]; then
    ci=1
    shift
fi
seconds=${1:-$([ $ci = 1 ] && echo 10 || echo 60)}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

bash scripts/install-deps.sh fuzz
build=build/fuzz
gen=${VOLTREK_GEN:-}
build_targets=("${targets[@]}")
[ -z "$gen" ] && build_targets+=(voltrek-gen)
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTREK_FUZZ=ON \
    -DVOLTREK_TESTS=ON -DVOLTREK_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${build_targets[@]}"
[ -z "$gen" ] && gen=$root/$build/tools/voltrek-gen/voltrek-gen

# Scratch files of the runs go to memory where there is some.
work=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )/voltrek-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
export LSAN_OPTIONS=suppressions=$root/tests/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
findings=$root/$build/findings
mkdir -p "$findings"

# Seeds: a demo log.def and protocols of every shape, raw (mode byte 1).
seeds=$work/seeds
for target in "${targets[@]}"; do
    mkdir -p "$seeds/$target"
done
mkdir -p "$seeds"/{fuzz_logdef,fuzz_protocol,fuzz_settings,fuzz_bookmarks}
"$gen" --demo "$work/demo" >/dev/null
cp "$work/demo/log.def" "$seeds/fuzz_logdef/demo.def"
channels=(--channel A:1:sine:1 --channel B:2:ramp --channel C:3:states --channel E:4:noise
          --channel X:9:steps)
seed_protocol() {
    local name=$1
    shift
    "$gen" --out "$work/seed.log" "${channels[@]}" "$@" >/dev/null
    { printf '\x01'; cat "$work/seed.log"; } >"$seeds/fuzz_protocol/$name"
}
seed_protocol small --ticks 20 --gaps 30 --out-of-order 20 --seed 3
seed_protocol gaps --ticks 300 --gaps 10 --seed 4 --trailing-bytes 4
# Past two read chunks of 16384 records.
seed_protocol chunks --ticks 7000 --on-change --seed 5
# Bookmark files: the flags byte and four tick bytes come first.
printf '\x02\x10\x00\x00\x00{"protocol": "k.log", "start": "2024-05-10T08:00:00.000+02:00", "tickMs": 100, "bookmarks": [{"time": "2024-05-10T08:00:05.300+02:00", "note": "Пуск"}, {"time": "2024-05-10T08:00:05.300", "note": {"x": 1}}, {"time": "9999-12-31T23:59:59.999"}], "extra": [1]}' \
    >"$seeds/fuzz_bookmarks/document"
printf '\x0d\x05\x00\x00\x00{"protocol": "k.log", "start": "2024-05-10T08:00:00.000", "tickMs": 1000, "bookmarks": [{"time": "2024-05-10T08:00:05.000"}, {"time": "2024-05-10T08:00:07.499"}]}' \
    >"$seeds/fuzz_bookmarks/old"
printf '[Chart]\nGridColor=#101010\n\n[Colors]\n1\\channel=U1\n1\\color=#ff0000\n2\\channel=I1\n2\\color=#00ff00\nsize=2\n' \
    >"$seeds/fuzz_settings/settings.conf"

# Qt's JSON reader leaks on repeated keys, and only full stacks show the Qt
# frame that tests/fuzz/lsan.supp names; they cost the fuzzer nine tenths of
# its speed. So log.def and bookmark files (JSON both) are fuzzed without leak
# checks (and without allocation stacks), and the kept corpus and the run's
# new inputs are then run once with full stacks and leak checks. Targets not
# named here check leaks as they go.
declare -A asan=(
    [fuzz_logdef]=detect_leaks=0:malloc_context_size=0
    [fuzz_bookmarks]=detect_leaks=0:malloc_context_size=0
)
leak_check=fast_unwind_on_malloc=0:detect_leaks=1

declare -A options=(
    [fuzz_logdef]="-dict=$root/tests/fuzz/logdef.dict"
    [fuzz_protocol]="-max_len=400000"
    [fuzz_assembly]="-max_len=8192"
    [fuzz_reports]="-max_len=2048"
    [fuzz_settings]="-max_len=2048 -timeout=10"
    [fuzz_commandline]="-max_len=512"
    [fuzz_bookmarks]="-max_len=4096"
    [fuzz_pdf]="-max_len=1024"
)
failed=()
for target in "${targets[@]}"; do
    corpus=$root/tests/fuzz/corpus/${target#fuzz_}
    mkdir -p "$corpus"
    run=$work/run-$target
    mkdir -p "$run"
    target_asan=${asan[$target]:-detect_leaks=1}
    echo "== $target: $seconds s"
    # New inputs go to the first folder only; the kept corpus is read.
    status=0
    # shellcheck disable=SC2086
    ASAN_OPTIONS=$target_asan nice -n 19 "$root/$build/tests/fuzz/$target" ${options[$target]:-} \
        -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "$run" "$corpus" "$seeds/$target" >"$work/log-$target" 2>&1 || status=$?
    grep -E "^#[0-9]+\s+(INITED|DONE)|^stat::(number_of_executed_units|peak_rss_mb)|^SUMMARY|violated" \
        "$work/log-$target" || true
    if [ $status -ne 0 ]; then
        failed+=("$target")
        # The whole report: the stack says where, the artifact line what.
        tail -n 60 "$work/log-$target"
    fi

    inputs=("$corpus"/* "$run"/*)
    if [ "$target_asan" != detect_leaks=1 ] && [ ${#inputs[@]} -gt 0 ]; then
        echo "   leak check of the corpus"
        status=0
        ASAN_OPTIONS=$leak_check nice -n 19 "$root/$build/tests/fuzz/$target" \
            -artifact_prefix="$findings/$target-leak-" "${inputs[@]}" \
            >"$work/leaks-$target" 2>&1 || status=$?
        grep -E "^SUMMARY|violated" "$work/leaks-$target" || true
        if [ $status -ne 0 ]; then
            failed+=("$target (leak check)")
            tail -n 60 "$work/leaks-$target"
        fi
    fi

    [ $ci = 1 ] && continue
    # Minimise: the inputs that keep all the coverage, none larger than 16 KB.
    kept=$work/kept-$target
    mkdir -p "$kept"
    # shellcheck disable=SC2086
    ASAN_OPTIONS=$target_asan nice -n 19 "$root/$build/tests/fuzz/$target" ${options[$target]:-} \
        -merge=1 -max_len=16384 \
        "$kept" "$corpus" "$run" >/dev/null 2>&1 || true
    if [ -n "$(ls -A "$kept")" ]; then
        # Named inputs are regression cases kept by hand: they stay.
        for named in "$corpus"/*; do
            [[ $(basename "$named") =~ ^[0-9a-f]{40}$ ]] || cp "$named" "$kept/"
        done
        rm -rf "$corpus"
        mv "$kept" "$corpus"
    fi
done
[ $ci = 1 ] || du -sh "$root/tests/fuzz/corpus"
ls "$findings"
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzing found faults in: ${failed[*]} (inputs in $build/findings/)"
    exit 1
fi
