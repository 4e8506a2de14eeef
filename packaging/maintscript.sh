#!/bin/sh
# Maintainer script of the hookwise package, installed as its postinst and postrm. It never
# touches a user's home: each user's settings and run-time files are made by HookWs in that
# user's home and stay that user's.
set -e

# The daily update timer, enabled for every user as `systemctl --global enable` does it (the link
# below /etc/systemd/user that the preset 80-hookwise.preset also asks for). Only a first install
# makes it, so a timer an administrator disabled stays disabled across upgrades.
WANTS="${DPKG_ROOT:-}/etc/systemd/user/timers.target.wants"
TIMER=hookwise-update.timer

case "$1" in
configure)
    if [ -z "${2:-}" ] && [ ! -e "$WANTS/$TIMER" ]; then
        mkdir -p "$WANTS"
        ln -sf "/usr/lib/systemd/user/$TIMER" "$WANTS/$TIMER"
    fi
    ;;
remove | purge)
    rm -f "$WANTS/$TIMER"
    rmdir "$WANTS" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/etc/systemd/user" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/etc/systemd" 2>/dev/null || true
    # HookWs makes a missing hidden folder of its program folder when one is asked for (the
    # help folder) and it may write there; what is left of that, empty, goes with the package.
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise/68/6151" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise/68" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise" 2>/dev/null || true
    ;;
esac
exit 0
