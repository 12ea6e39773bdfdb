#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Ventora needs to build, test and run.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libplist-dev nlohmann-json3-dev
    qt6-base-dev
    zip unzip
    clang libclang-rt-14-dev
    dpkg-dev file desktop-file-utils appstream lintian debootstrap
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
