#!/usr/bin/env bash
# Builds Ventora, window included, and runs every test suite inside a minimal Debian 13
# (trixie) root: GCC 14, libplist 2.6, Qt 6.8. Needs root.
#
#   scripts/check-debian13.sh [ROOT]   ROOT defaults to /var/tmp/ventora-roots/trixie
#
# The root is made once and reused; its build folder is kept, so a rerun rebuilds only what
# changed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-/var/tmp/ventora-roots/trixie}
source "$repo/scripts/lib/debian-root.sh"

debian_root_prepare trixie "$root"

# The working tree as git sees it (committed or not, ignored files left out). Only files whose
# content changed are replaced, and they get the current time: the kept build folder then
# rebuilds exactly what changed, whatever times the files carry here.
source_dir="$root/usr/src/ventora"
mkdir -p "$source_dir"
staging=$(mktemp -d "$root/usr/src/.ventora-XXXXXX")
trap 'rm -rf "$staging"' EXIT
git -C "$repo" ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
        [ -e "$repo/$file" ] && printf '%s\0' "$file"
    done |
    tar -C "$repo" --null -T - -cf - | tar -C "$staging" -xf -
(cd "$source_dir" && find . -path ./build -prune -o -type f -print0) |
    while IFS= read -r -d '' file; do
        [ -e "$staging/$file" ] || rm -f "$source_dir/$file"
    done
(cd "$staging" && find . -type f -print0) |
    while IFS= read -r -d '' file; do
        if ! cmp -s "$staging/$file" "$source_dir/$file"; then
            mkdir -p "$(dirname "$source_dir/$file")"
            cp -p "$staging/$file" "$source_dir/$file"
            touch "$source_dir/$file"
        fi
    done

debian_root_run "$root" /bin/bash -c '
    set -euo pipefail
    cd /usr/src/ventora
    export DEBIAN_FRONTEND=noninteractive
    scripts/install-deps.sh
    echo "check-debian13: $(. /etc/os-release && echo "$PRETTY_NAME"), GCC $(gcc -dumpfullversion)," \
        "libplist $(pkg-config --modversion libplist-2.0), Qt $(pkg-config --modversion Qt6Core)"
    cmake --preset dev
    cmake --build --preset dev
    ctest --preset dev
'
echo "check-debian13: every test passed on Debian 13."
