#!/usr/bin/env bash
# A detection from start to finish, in a throw-away environment: HookWs runs offscreen with its
# own registry and runtime folder, the site list is set to block every listed site, and curl runs
# with the interception provider preloaded against a local web server.
# Usage: scripts/demo.sh [PROGRAM_FOLDER]   (default build/dist)
set -euo pipefail
cd "$(dirname "$0")/.."
DIST=$(realpath "${1:-build/dist}")
[ -x "$DIST/HookWs" ] || { echo "No HookWs in $DIST: run scripts/run.sh first." >&2; exit 1; }

WORK=$(mktemp -d)
export HOOKWISE_REGISTRY="$WORK/registry.db" XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/run" HOOKWISE_CATALOG="$WORK/protocols.catalog"
export QT_QPA_PLATFORM=offscreen HOOKWISE_MESSAGE_TIMEOUT_MS=1000 HOOKWISE_UPDATE_AT_START=0
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
  [ -n "${TRAY:-}" ] && kill "$TRAY" 2>/dev/null || true
  [ -n "${WEB:-}" ] && kill "$WEB" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

echo "1. Site list set to block every listed site (no one can answer a popup offscreen)"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\\WebSiteBlocking]\r\n"WebSiteBlockingPermession"=hex:01,00,00,00\r\n' >"$WORK/block.reg"
"$DIST/hkreg" import "$WORK/block.reg"

echo "2. HookWs started offscreen"
"$DIST/HookWs" >"$WORK/hookws.log" 2>&1 &
TRAY=$!
for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/hookwise/Baitguard Server Handler" ] && break; sleep 0.1; done

echo "3. A local web server on 127.0.0.1:8765"
mkdir -p "$WORK/www" && echo "<h1>Sign in</h1>" >"$WORK/www/login"
python3 -m http.server 8765 --bind 127.0.0.1 --directory "$WORK/www" >/dev/null 2>&1 &
WEB=$!
for _ in $(seq 1 50); do curl -s -o /dev/null http://127.0.0.1:8765/ && break; sleep 0.1; done

echo "4. curl under the provider, an unlisted site:"
LD_PRELOAD="$DIST/libhookswp_lsp.so" curl -sS -o /dev/null -w '   HTTP %{http_code}\n' \
  -H 'Host: news.example' http://127.0.0.1:8765/ || true
echo "5. curl under the provider, a listed phishing URL (secure-paypa1-login.example/login),"
echo "   answered by the provider with its page instead of the server's:"
LD_PRELOAD="$DIST/libhookswp_lsp.so" curl -sS -w '   HTTP %{http_code}\n' \
  -H 'Host: secure-paypa1-login.example' http://127.0.0.1:8765/login 2>&1 | sed 's/^/   /' || true

echo "6. HookWs ends (SIGTERM saves the settings); the alert log it saved:"
kill -TERM "$TRAY"; wait "$TRAY" 2>/dev/null || true; TRAY=
"$DIST/hkreg" query 'HKEY_CURRENT_USER\Software\Corvane\Hookwise\AlertandLog\LogEntryDetails0' | sed 's/^/   /'
[ -e "$DIST/hkwdb2.pbd" ] && echo "   working copy still present!" || echo "   working copy hkwdb2.pbd removed"
[ -e "$DIST/hkwdb2.pbi" ] && echo "   index still present!" || echo "   index hkwdb2.pbi removed"
