#!/usr/bin/env bash
# Installs what Hourglen needs to build, run and test, from Debian's packages, when it is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsimpleini-dev libbenchmark-dev
    xvfb xauth fontconfig fonts-dejavu-core
    desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
