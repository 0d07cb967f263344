#!/usr/bin/env bash
# Installs the Debian 12 packages Voltrek needs to build, run and test, when missing.
# With the argument "fuzz" also what scripts/fuzz.sh needs.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev libqt5serialport5-dev libqt5svg5-dev
    libxlsxwriter-dev libmuparser-dev libbenchmark-dev
    libhdf5-dev libmatio-dev hdf5-tools python3-h5py python3-scipy
    xvfb xauth libgl1-mesa-dri
    poppler-utils unzip fonts-dejavu-core
    qttranslations5-l10n
    g++-mingw-w64-x86-64 desktop-file-utils shared-mime-info file
)
if [ "${1:-}" = fuzz ]; then
    # libFuzzer's runtime is only a recommendation of clang, which the install skips.
    packages+=(clang libclang-rt-14-dev zlib1g-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
