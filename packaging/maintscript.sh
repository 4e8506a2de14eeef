#!/bin/sh
# Maintainer script of the hookwise package, installed as its postinst and postrm. It never
# touches a user's home: each user's settings and run-time files are made by HookWs in that
# user's home and stay that user's.
set -e

case "$1" in
remove | purge)
    # HookWs makes a missing hidden folder of its program folder when one is asked for (the
    # help folder) and it may write there; what is left of that, empty, goes with the package.
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise/68/6151" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise/68" 2>/dev/null || true
    rmdir "${DPKG_ROOT:-}/usr/lib/hookwise" 2>/dev/null || true
    ;;
esac
exit 0
