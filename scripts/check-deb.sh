#!/usr/bin/env bash
# Builds the Debian package, runs the validators on it, installs it into a fresh minimal Debian
# 12 root with apt-get and uses it there as a user would: ventora-cli inspect and generate on an
# installed example, and the window started offscreen for a few seconds. The root holds no
# build tree, so only what the package installed (and pulled in) is used. Needs root for
# debootstrap, chroot and mounts. The minimal root is made once (ROOT, default below) and kept;
# each run installs into a throwaway copy of it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian-root.sh

suite=bookworm
base=${1:-/var/tmp/ventora-roots/$suite}
window_seconds=5

unpacked=""
work=""
cleanup() {
    [ -z "$unpacked" ] || rm -rf "$unpacked"
    [ -z "$work" ] || rm -rf --one-file-system "$work" "$work.lock"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

deb=$(scripts/package-deb.sh | tail -n 1)
echo "== Package $deb"
dpkg-deb --info "$deb" | sed -n '/Depends:/p'

echo "== Validators"
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/ventora.desktop"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$unpacked"
lintian --fail-on error "$deb"

echo "== Fresh $suite root"
debian_root_prepare "$suite" "$base"
work=$(mktemp -d "$base.check.XXXXXX")
chmod 755 "$work"
cp -a "$base/." "$work/"
cp "$deb" "$work/tmp/"
debian_root_run "$work" apt-get update -qq
debian_root_run "$work" sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends ./$(basename "$deb")"
# The next run finds the dependencies already downloaded.
find "$work/var/cache/apt/archives" -maxdepth 1 -name '*.deb' \
    -exec cp -n -t "$base/var/cache/apt/archives/" {} +

echo "== Installed programs"
debian_root_run "$work" env HOME=/root sh -euc "
    examples=/usr/share/ventora/examples
    test \"\$(command -v ventora-cli)\" = /usr/bin/ventora-cli
    ventora-cli inspect \$examples/navi21.bin
    mkdir /tmp/out
    ventora-cli generate --preset fan35 --output-dir /tmp/out \$examples/polaris.bin
    zip -T /tmp/out/ZeroRPM35.zip
    zip -sf /tmp/out/ZeroRPM35.zip | grep -q ' config.plist\$'
    echo '== Window, offscreen for $window_seconds seconds'
    status=0
    QT_QPA_PLATFORM=offscreen timeout $window_seconds ventora || status=\$?
    if [ \$status -ne 124 ]; then
        echo \"ERROR: the window ended by itself with status \$status.\" >&2
        exit 1
    fi
"
echo "== The installed package works."
