#!/usr/bin/env bash
# Screenshots of the window on small screens under Xvfb: as it opens, after every Tab press
# (the focus ring and the scrolling that brings each control into view), with Help opened by
# F1, after Escape has closed it and scrolled to the end with the mouse wheel. Two screens: 1280x720, and 1600x1000 at 150 % scaling.
# Needs Xvfb, xdotool and ImageMagick's import.
# Usage: scripts/window-screenshots.sh [ventora binary] [output folder]
set -euo pipefail
binary=$(realpath "${1:-build/dev/bin/ventora}")
out=${2:-build/screenshots}
tabs=9
mkdir -p "$out"
started=()
# Only the processes this script started, on every way out.
trap 'kill "${started[@]}" 2>/dev/null || true' EXIT

# shoot NAME DISPLAY SCREEN SCALE
shoot() {
    local name=$1 display=$2 screen=$3 scale=$4
    Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp &
    local server=$!
    started+=("$server")
    for _ in $(seq 50); do
        DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break
        sleep 0.1
    done
    DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$binary" &
    local app=$!
    started+=("$app")
    local window=
    for _ in $(seq 100); do
        window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Ventora$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
        sleep 0.1
    done
    sleep 1
    export DISPLAY=$display
    xdotool windowfocus --sync "$window" || true
    import -window root "$out/$name-0-open.png"
    for press in $(seq "$tabs"); do
        xdotool key Tab
        sleep 0.3
        import -window root "$out/$name-$press-tab.png"
    done
    xdotool key F1
    sleep 0.8
    import -window root "$out/$name-help.png"
    xdotool key Escape
    sleep 0.5
    import -window root "$out/$name-help-closed.png"
    # The wheel over the header scrolls the window's content to its end.
    xdotool mousemove --window "$window" 100 100 click --repeat 10 5
    sleep 0.5
    import -window root "$out/$name-scrolled.png"
    unset DISPLAY
    kill "$app" "$server"
    wait "$app" "$server" 2>/dev/null || true
}

shoot 1280x720 :97 1280x720 1
shoot 1600x1000-150 :98 1600x1000 1.5
echo "Screenshots in $out"
