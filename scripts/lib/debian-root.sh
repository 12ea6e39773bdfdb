# Minimal Debian roots for checking the build on other Debian releases. Source this file, then:
#
#   debian_root_prepare SUITE DIR   makes a minimal root of SUITE (e.g. trixie) in DIR with
#                                   debootstrap, from the Debian mirror this machine's apt uses.
#                                   A complete root already in DIR is reused as it is.
#   debian_root_run DIR COMMAND...  runs COMMAND inside the root as root, with /proc, /sys, /dev
#                                   and /dev/pts mounted for it, and returns its exit status.
#                                   Whatever it mounted is unmounted on every way out.
#
# Both need root. Runs on one root are serialised through the lock file DIR.lock.

# The stamp debian_root_prepare leaves in a finished root; its content is the suite.
debian_root_stamp=".debian-root-complete"

debian_root_fail() {
    echo "debian-root: $*" >&2
    return 1
}

# Prints the first Debian archive URI that apt on this machine is configured with: deb822
# .sources files first, then one-line sources.list entries. Security mirrors are skipped, as
# they carry only updates.
debian_root_mirror() {
    local files=() file uri
    shopt -s nullglob
    files=(/etc/apt/sources.list.d/*.sources)
    shopt -u nullglob
    for file in "${files[@]}"; do
        uri=$(awk '
            BEGIN { RS = ""; FS = "\n" }
            {
                deb = 0; enabled = 1; uris = ""
                for (i = 1; i <= NF; i++) {
                    line = $i
                    if (line ~ /^[ \t]*#/) continue
                    if (tolower(line) ~ /^types:/ && line ~ /[ \t]deb([ \t]|$)/) deb = 1
                    if (tolower(line) ~ /^enabled:[ \t]*no/) enabled = 0
                    if (tolower(line) ~ /^uris:/) { sub(/^[^:]*:[ \t]*/, "", line); uris = line }
                }
                if (!deb || !enabled) next
                n = split(uris, list, /[ \t]+/)
                for (j = 1; j <= n; j++)
                    if (list[j] != "" && list[j] !~ /security/) { print list[j]; exit }
            }' "$file")
        if [ -n "$uri" ]; then
            echo "$uri"
            return 0
        fi
    done
    shopt -s nullglob
    files=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
    shopt -u nullglob
    for file in "${files[@]}"; do
        uri=$(awk '$1 == "deb" {
                for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i !~ /\]$/) break
                if ($i !~ /security/) { print $i; exit }
            }' "$file")
        if [ -n "$uri" ]; then
            echo "$uri"
            return 0
        fi
    done
    debian_root_fail "no Debian mirror found in this machine's apt configuration"
}

# Prints every mount point at or below DIR, deepest first.
debian_root_mounts_below() {
    local dir
    dir=$(realpath -m "$1")
    awk -v dir="$dir" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo |
        sort -r
}

debian_root_unmount_all_below() {
    local point
    while IFS= read -r point; do
        umount "$point" 2>/dev/null || umount -l "$point"
    done < <(debian_root_mounts_below "$1")
}

debian_root_prepare() {
    if [ "$#" -ne 2 ]; then
        debian_root_fail "usage: debian_root_prepare SUITE DIR"
        return 1
    fi
    local suite=$1 dir=${2%/}
    [ "$(id -u)" -eq 0 ] || { debian_root_fail "making a root needs root"; return 1; }
    command -v debootstrap >/dev/null || { debian_root_fail "debootstrap is not installed"; return 1; }

    mkdir -p "$(dirname "$dir")"
    (
        exec 9>"$dir.lock"
        flock 9
        if [ -f "$dir/$debian_root_stamp" ]; then
            if [ "$(cat "$dir/$debian_root_stamp")" != "$suite" ]; then
                debian_root_fail "$dir holds a root of another suite"
                exit 1
            fi
            echo "debian-root: reusing the $suite root in $dir"
            exit 0
        fi
        if [ -e "$dir" ] && [ -n "$(ls -A "$dir")" ]; then
            debian_root_fail "$dir exists and is not a finished root; remove it first"
            exit 1
        fi
        mirror=$(debian_root_mirror) || exit 1
        # debootstrap works in DIR.partial, renamed only once complete, so an interrupted run
        # never leaves something that looks finished.
        partial="$dir.partial"
        trap 'debian_root_unmount_all_below "$partial"' EXIT
        debian_root_unmount_all_below "$partial"
        rm -rf "$partial"
        echo "debian-root: making a minimal $suite root in $dir from $mirror"
        debootstrap --variant=minbase "$suite" "$partial" "$mirror" >"$dir.debootstrap.log" 2>&1 ||
            { debian_root_fail "debootstrap failed; see $dir.debootstrap.log"; exit 1; }
        debian_root_unmount_all_below "$partial"
        echo "$suite" >"$partial/$debian_root_stamp"
        rmdir "$dir" 2>/dev/null || true
        mv "$partial" "$dir"
    )
}

# Runs in the caller's own shell, so that a signal sent to the caller reaches the handlers
# here: they end the command, unmount, restore the caller's handlers and deliver the signal
# again. Every early return unmounts too.
debian_root_run() {
    if [ "$#" -lt 2 ]; then
        debian_root_fail "usage: debian_root_run DIR COMMAND..."
        return 1
    fi
    local dir
    dir=$(realpath -m "$1")
    shift
    [ -f "$dir/$debian_root_stamp" ] || { debian_root_fail "$dir is not a finished root"; return 1; }

    local caller_traps lock signal="" status=0 child point
    local -a mounted=()
    caller_traps=$(trap -p INT TERM HUP)
    trap 'signal=INT' INT
    trap 'signal=TERM' TERM
    trap 'signal=HUP' HUP
    exec {lock}>"$dir.lock"
    flock "$lock"

    for point in proc sys dev dev/pts; do
        [ -z "$signal" ] || break
        mountpoint -q "$dir/$point" && continue
        mkdir -p "$dir/$point"
        case $point in
        proc) mount -t proc proc "$dir/$point" ;;
        sys) mount -t sysfs sysfs "$dir/$point" 2>/dev/null || mount --bind /sys "$dir/$point" ;;
        *) mount --bind "/$point" "$dir/$point" ;;
        esac || { debian_root_fail "cannot mount $dir/$point"; status=1; break; }
        mounted+=("$dir/$point")
    done
    cp /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true

    if [ "$status" -eq 0 ] && [ -z "$signal" ]; then
        # In a session of its own, so that the handlers can end all of it; its standard input
        # stays the caller's.
        setsid env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" chroot "$dir" "$@" <&0 &
        child=$!
        wait "$child" || status=$?
        if [ -n "$signal" ]; then
            kill -TERM -- "-$child" 2>/dev/null || true
            wait "$child" 2>/dev/null || true
        fi
    fi

    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
    done
    exec {lock}>&-
    trap - INT TERM HUP
    eval "$caller_traps"
    if [ -n "$signal" ]; then
        kill -s "$signal" "$BASHPID"
    fi
    return "$status"
}
