#!/usr/bin/env bash
# Installs what is missing, builds Voltrek in Release and starts it on a demo
# log directory (created on first run). Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=build/release
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DVOLTREK_TESTS=OFF -DVOLTREK_BENCH=OFF
cmake --build "$build_dir" -j"$(nproc)" --target voltrek voltrek-gen

demo_dir=$(pwd)/demo
"$build_dir/tools/voltrek-gen/voltrek-gen" --demo "$demo_dir"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: writing the demo's reports instead of opening the window."
    mkdir -p "$demo_dir/reports"
    mapfile -t protocols < <(find "$demo_dir" -name "*.log" | sort | head -n 2)
    args=(-d "$demo_dir")
    for p in "${protocols[@]}"; do args+=(-l "$p"); done
    QT_QPA_PLATFORM=offscreen "$build_dir/app/voltrek" "${args[@]}" \
        --xlsx "$demo_dir/reports/demo.xlsx" --pdf "$demo_dir/reports/demo.pdf" \
        --csv "$demo_dir/reports/demo.csv" "$@"
    echo "Reports written to $demo_dir/reports/ (demo.xlsx, demo.pdf, demo.csv)"
    exit 0
fi

exec "$build_dir/app/voltrek" -d "$demo_dir" "$@"
