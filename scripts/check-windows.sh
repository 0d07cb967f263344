#!/usr/bin/env bash
# Compiles the Windows branches of the program without a Windows machine.
#
# Every source of the program, its libraries and voltrek-gen (and the moc
# output of the normal build) goes through the MinGW-w64 cross compiler in
# syntax-only mode, C++17, warnings as errors; windres then compiles the
# version resource. Nothing is linked: Debian has no MinGW build of Qt, so the
# Linux Qt headers stand in for it.
#
# Why that mix needs no extra defines: the cross compiler defines _WIN32, so
# Qt's system detection sets Q_OS_WIN (and Q_CC_MINGW) and not Q_OS_UNIX, and
# every "#ifdef Q_OS_WIN" branch is compiled against the MinGW <windows.h>.
# What the Linux headers carry besides is harmless there: qconfig.h only lists
# toolkit features, and the reduce-relocations check in qglobal.h applies to
# ELF targets only. Should a define become necessary, add it to win_defines
# below with the reason beside it.
#
# The posix thread model of the compiler is used, as the MinGW builds of Qt
# are made with it (the win32 model has no std::thread or std::mutex).
#
# Usage: bash scripts/check-windows.sh [BUILD_DIR]
#   BUILD_DIR (default $VOLTREK_BUILD_DIR or build/test) is a configured
#   normal build; its generated form and moc files are made when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-${VOLTREK_BUILD_DIR:-build/test}}
cxx=x86_64-w64-mingw32-g++-posix
windres=x86_64-w64-mingw32-windres
qt_dir=/usr/include/x86_64-linux-gnu/qt5

for tool in "$cxx" "$windres"; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-windows: $tool not found (bash scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -DVOLTREK_TESTS=OFF -DVOLTREK_BENCH=OFF >/dev/null
fi
# Generated form and moc files only; up to date after a normal build.
cmake --build "$build_dir" --target voltrek_core_autogen voltrek_widgets_autogen voltrek_autogen \
    voltrek-gen_autogen >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# libxlsxwriter's, muParser's and matio's headers live in /usr/include, which must not be searched
# whole: the C library headers there are Linux ones.
mkdir "$work/include"
ln -s /usr/include/xlsxwriter.h /usr/include/xlsxwriter "$work/include/"
ln -s /usr/include/muParser*.h "$work/include/"
ln -s /usr/include/matio.h /usr/include/matio_pubconf.h "$work/include/"

version() { sed -n 's/^project(Voltrek VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt; }
IFS=. read -r major minor _ <<<"$(version)"

win_defines=(
    -DQT_NO_FOREACH -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_SERIALPORT_LIB -DQT_SVG_LIB
    -DVOLTREK_VERSION_MAJOR="$major" -DVOLTREK_VERSION_MINOR="$minor"
)
flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Werror "${win_defines[@]}" -I.)
for module in "" QtCore QtGui QtWidgets QtSerialPort QtSvg; do
    flags+=(-isystem "$qt_dir/$module")
done
flags+=(-isystem "$work/include")
# HDF5's headers have a folder of their own. Debian configured them for glibc,
# whose <features.h> MinGW lacks; an empty one stands in (it only selects
# feature macros, which the MinGW headers do not need).
flags+=(-isystem /usr/include/hdf5/serial)
: >"$work/include/features.h"
# The generated files of the program's own targets (tests have theirs too).
autogen=("$build_dir/voltrek_core_autogen" "$build_dir/voltrek_widgets_autogen"
    "$build_dir/app/voltrek_autogen" "$build_dir/tools/voltrek-gen/voltrek-gen_autogen")
for dir in "${autogen[@]}"; do
    flags+=(-I"$dir/include")
done

# Every source outside the tests, benchmarks and build folders.
sources=()
while IFS= read -r file; do
    sources+=("$file")
done < <(find . \( -path ./build -o -path ./tests -o -path ./bench -o -path "./${build_dir#./}" \) -prune \
    -o -name '*.cpp' -print | sort)
for dir in "${autogen[@]}"; do
    sources+=("$dir/mocs_compilation.cpp")
done

echo "check-windows: ${#sources[@]} sources with $cxx"
if ! printf '%s\0' "${sources[@]}" | xargs -0 -n 1 -P "$(nproc)" "$cxx" "${flags[@]}"; then
    echo "check-windows: the Windows compile failed (errors above)" >&2
    exit 1
fi

# The build configures the resource on every platform, so it is checked as generated.
"$windres" -i "$build_dir/app/version.rc" -o "$work/version.o"

echo "check-windows: all sources and the version resource compile for Windows"
