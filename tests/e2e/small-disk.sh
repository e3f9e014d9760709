#!/usr/bin/env bash
# Mounts (setup) or removes (cleanup) a 64 KB tmpfs at the given folder, so an end-to-end test
# can fill a real file system to the brim and watch a save run out of room. Mounting needs
# root; without it the folder stays a plain one without the marker and the test skips.
set -uo pipefail
action="$1"
dir="$2"

unmount() {
    if mountpoint -q "$dir" 2>/dev/null; then
        umount "$dir" || umount -l "$dir"
    fi
}

case "$action" in
setup)
    unmount
    mkdir -p "$dir"
    rm -rf "${dir:?}"/* 2>/dev/null
    if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=64k,mode=0777 vorna-small-disk "$dir"; then
        # Tells the test that this is the small file system and not the folder beneath it.
        : >"$dir/.small-disk"
        echo "small disk mounted at $dir"
    else
        echo "no small disk: mounting a tmpfs needs root" >&2
    fi
    ;;
cleanup)
    unmount
    ;;
*)
    echo "usage: $0 setup|cleanup FOLDER" >&2
    exit 2
    ;;
esac
exit 0
