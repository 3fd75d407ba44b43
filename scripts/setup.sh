#!/usr/bin/env bash
# Installs every Debian package the studio needs to build, test and run.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
    g++ cmake ninja-build ccache pkg-config clang-format git
    libgtest-dev libgmock-dev libbenchmark-dev
    libasound2-dev libjack-jackd2-dev jackd2
    libcli11-dev nlohmann-json3-dev
    libsndfile1-dev libsoxr-dev
    qt6-base-dev qt6-image-formats-plugins fonts-dejavu-core
    sox
    libx11-dev xvfb
    clang libclang-rt-14-dev
    desktop-file-utils xdg-utils shared-mime-info libfile-mimeinfo-perl man-db groff-base
    amsynth dragonfly-reverb-vst lsp-plugins-vst
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
