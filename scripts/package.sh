#!/usr/bin/env bash
# Builds the Debian package voltrek_<version>_<arch>.deb in Release and lists
# what it holds: its control data (with the dependencies computed from the
# binaries) and its files. Checks the menu entry inside it as installed.
# Environment: VOLTREK_PACKAGE_DIR build folder (default build/package).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${VOLTREK_PACKAGE_DIR:-build/package}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DVOLTREK_TESTS=OFF -DVOLTREK_BENCH=OFF
cmake --build "$build_dir" -j"$(nproc)" --target voltrek voltrek-gen
rm -f "$build_dir"/voltrek_*.deb
(cd "$build_dir" && cpack -G DEB)

shopt -s nullglob
packages=("$build_dir"/voltrek_*.deb)
if [ ${#packages[@]} -ne 1 ]; then
    echo "package: expected one voltrek_*.deb in $build_dir, found ${#packages[@]}" >&2
    exit 1
fi
deb=${packages[0]}

echo
dpkg-deb --info "$deb"
echo
dpkg-deb --contents "$deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/voltrek.desktop"
for file in usr/bin/voltrek usr/bin/voltrek-gen usr/share/man/man1/voltrek.1.gz \
    usr/share/icons/hicolor/scalable/apps/voltrek.svg \
    usr/share/icons/hicolor/256x256/apps/voltrek.png; do
    if [ ! -s "$unpacked/$file" ]; then
        echo "package: /$file is missing from $deb" >&2
        exit 1
    fi
done
if ! dpkg-deb --field "$deb" Depends | grep -q libmuparser; then
    echo "package: the dependencies lack libmuparser" >&2
    exit 1
fi
# The data export's libraries (HDF5, matio), found by the dependency scan.
for library in libhdf5 libmatio; do
    if ! dpkg-deb --field "$deb" Depends | grep -q "$library"; then
        echo "package: the dependencies lack $library" >&2
        exit 1
    fi
done
if ! dpkg-deb --field "$deb" Depends | grep -q qttranslations5-l10n; then
    echo "package: the dependencies lack qttranslations5-l10n" >&2
    exit 1
fi

echo
echo "package: $deb"
