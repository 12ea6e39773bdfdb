#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Ventora needs to build, test and run. The same script
# serves Debian 12 and 13 and Ubuntu 22.04 and 24.04: compiler versions are never named, the
# clang runtime is the one matching whatever clang the system installs.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libplist-dev nlohmann-json3-dev
    qt6-base-dev
    zip unzip
    clang libc++-dev libc++abi-dev
    dpkg-dev file desktop-file-utils appstream lintian debootstrap
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

updated=false
update_lists() {
    if [ "$updated" = false ]; then
        $sudo apt-get update -qq
        updated=true
    fi
}

install_missing() {
    local missing=() package
    for package in "$@"; do
        installed "$package" || missing+=("$package")
    done
    [ "${#missing[@]}" -gt 0 ] || return 0
    update_lists
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

install_missing "${packages[@]}"

# libFuzzer and the sanitizer runtimes for the clang just installed. Older releases have no
# separate package: there they come with clang, or not at all, and scripts/test.sh checks.
clang_major=$(clang -dumpversion | cut -d. -f1)
runtime="libclang-rt-${clang_major}-dev"
if ! installed "$runtime"; then
    update_lists
    if apt-cache show "$runtime" >/dev/null 2>&1; then
        install_missing "$runtime"
    else
        echo "install-deps: there is no package $runtime for clang $clang_major; the fuzz" \
            "build will be skipped unless clang has libFuzzer already." >&2
    fi
fi
