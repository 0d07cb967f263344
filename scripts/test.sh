#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with ctest.
# Environment:
#   VOLTREK_BUILD_DIR  build folder (default build/test)
#   VOLTREK_WERROR=ON  warnings are errors
#   VOLTREK_SANITIZE=ON  AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh

build_dir=${VOLTREK_BUILD_DIR:-build/test}
werror=${VOLTREK_WERROR:-OFF}
sanitize=${VOLTREK_SANITIZE:-OFF}
build_type=RelWithDebInfo
bench=ON
if [ "$sanitize" = ON ]; then
    build_type=Debug
    bench=OFF
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/.ci/lsan.supp:print_suppressions=0}
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=$build_type -DVOLTREK_WERROR="$werror" \
    -DVOLTREK_SANITIZE="$sanitize" -DVOLTREK_TESTS=ON -DVOLTREK_BENCH=$bench
cmake --build "$build_dir" -j"$(nproc)"

ctest_cmd=(ctest --test-dir "$build_dir" --output-on-failure -j2)
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1600x1000x24" "${ctest_cmd[@]}"
else
    "${ctest_cmd[@]}"
fi
