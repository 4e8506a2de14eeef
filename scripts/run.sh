#!/usr/bin/env bash
# Builds Hookwise, stages the program folder at build/dist/, shows a few lookups and starts HookWs.
# Installs and builds only what the programs need: no tests, benchmarks or fuzz targets (the
# build folder is the one scripts/test.sh uses; it turns the tests back on).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build -j "$(nproc)"
cmake --install build --prefix build/dist >/dev/null
DIST=build/dist
echo "Program folder staged at $DIST:"
ls "$DIST"
echo
echo "Definitions version: $(head -c 14 "$DIST/hkwdb1.pbd")"
echo "Lookups against the shipped definitions:"
for q in "ip 203.0.113.66" "url secure-paypa1-login.example/verify" "from billing@amaz0n-support.example" "ip 192.0.2.1"; do
  set -- $q
  printf '  %-5s %-45s -> ' "$1" "$2"
  "$DIST/hkwdefs" lookup "$DIST/hkwdb1.pbd" "$1" "$2"
done

echo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting HookWs offscreen (QT_QPA_PLATFORM=offscreen), without a tray icon."
  echo "It keeps running and answers detections; Ctrl+C (or kill -TERM) saves the settings and ends it."
  echo "scripts/demo.sh shows a whole detection in a throw-away environment."
  export QT_QPA_PLATFORM=offscreen
else
  echo "Starting HookWs from $DIST (close the window to hide it in the tray; Exit from the tray menu ends it)."
fi
exec "$DIST/HookWs"
