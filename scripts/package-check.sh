#!/usr/bin/env bash
# Checks the Debian package as a user gets it: builds it from BUILD (default build), runs lintian,
# lets apt resolve it as `apt install ./hookwise_*.deb` would, installs it with dpkg into an empty
# root, runs HookWs offscreen from the installed path (through its /usr/bin link) with a test
# registry and a curl detection, verifies the update's systemd user units and runs
# hookwise-update from there against a local HTTPS feed, removes the package and finds no file
# of it left behind.
#
# The root holds nothing but the dpkg database, whose status lists the packages Hookwise depends
# on, taken from this machine: dpkg itself checks the Depends, while the libraries come from this
# machine. (A debootstrap root would have to download Qt and its dependencies at every run.)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}

fail() { echo "package check: $*" >&2; exit 1; }

echo "== Debian package =="
cmake --build "$BUILD" --target package -j "$(nproc)" >/dev/null
DEB=$(ls -t "$BUILD"/hookwise_*_amd64.deb | head -n 1)
[ -f "$DEB" ] || fail "no package was made"
echo "$DEB"
dpkg-deb -f "$DEB" Package Version Depends

echo "-- lintian"
lintian --fail-on error --tag-display-limit 0 "$DEB"

echo "-- apt resolves the package"
apt-get install --simulate -qq "$(realpath "$DEB")" >/dev/null || fail "apt cannot install $DEB"

WORK=$(mktemp -d)
ROOT="$WORK/root"
cleanup() {
  [ -n "${TRAY:-}" ] && kill "$TRAY" 2>/dev/null || true
  [ -n "${WEB:-}" ] && kill "$WEB" 2>/dev/null || true
  [ -n "${FEED:-}" ] && kill "$FEED" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# The dpkg database of the root: every package named by Depends (the first alternative this
# machine has), with its status stanza.
mkdir -p "$ROOT/var/lib/dpkg/info" "$ROOT/var/lib/dpkg/updates" "$ROOT/var/lib/dpkg/triggers"
: >"$ROOT/var/lib/dpkg/status"
dpkg-deb -f "$DEB" Depends | tr ',' '\n' | while read -r alternatives; do
  [ -n "$alternatives" ] || continue
  found=
  IFS='|' read -ra choices <<<"$alternatives"
  for choice in "${choices[@]}"; do
    name=$(echo "$choice" | sed 's/(.*//; s/[[:space:]]//g')
    if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
      dpkg-query -s "$name" >>"$ROOT/var/lib/dpkg/status"
      echo >>"$ROOT/var/lib/dpkg/status"
      # Its files are this machine's, not the root's: an empty file list.
      : >"$ROOT/var/lib/dpkg/info/$(dpkg-query -W -f='${binary:Package}' "$name").list"
      found=1
      break
    fi
  done
  [ -n "$found" ] || fail "this machine lacks a package the package depends on: $alternatives"
done

DPKG=(dpkg --root="$ROOT" --force-script-chrootless --no-triggers)
[ "$(id -u)" -ne 0 ] && DPKG=(fakeroot "${DPKG[@]}" --force-not-root)
echo "-- install into $ROOT"
"${DPKG[@]}" -i "$DEB" >/dev/null

APP="$ROOT/usr/lib/hookwise"
for file in HookWs libbaitlib.so libhookwise_platform.so libhookswp_lsp.so provinst hkreg hkwdefs \
  hookwise-browser-host hkwdb1.pbd hkwpm.htm well-known-sites.txt system-install \
  browser/extension/manifest.json 76738669858068/Update sources.conf hookwise-definitions.pub; do
  [ -e "$APP/$file" ] || fail "missing $APP/$file"
done
for program in HookWs hkreg hkwdefs provinst hookwise-browser-host; do
  [ "$(readlink -f "$ROOT/usr/bin/$program")" = "$APP/$program" ] ||
    fail "/usr/bin/$program does not lead to the program folder"
done
grep -q '"path": "/usr/lib/hookwise/hookwise-browser-host"' \
  "$ROOT/etc/chromium/native-messaging-hosts/com.corvane.hookwise.json" || fail "Chromium manifest"
grep -q '"allowed_extensions"' \
  "$ROOT/usr/lib/mozilla/native-messaging-hosts/com.corvane.hookwise.json" || fail "Firefox manifest"
[ "$(readlink -f "$ROOT/usr/bin/hookwise-update")" = "$APP/76738669858068/Update" ] ||
  fail "/usr/bin/hookwise-update does not lead to the update program"
for unit in hookwise-update.service hookwise-update.timer; do
  [ -f "$ROOT/usr/lib/systemd/user/$unit" ] || fail "missing user unit $unit"
done
[ -f "$ROOT/usr/lib/systemd/user-preset/80-hookwise.preset" ] || fail "missing the preset"
[ "$(readlink "$ROOT/etc/systemd/user/timers.target.wants/hookwise-update.timer")" = \
  /usr/lib/systemd/user/hookwise-update.timer ] || fail "the update timer is not enabled for users"
echo "-- systemd user units"
verified=0
scripts/verify-units.sh "$ROOT/usr/lib/systemd/user" "$ROOT/usr/bin/hookwise-update" \
  "$ROOT/usr/lib/systemd/user-preset/80-hookwise.preset" || verified=$?
[ "$verified" -eq 0 ] || [ "$verified" -eq 77 ] || fail "the systemd units do not verify"
desktop-file-validate "$ROOT/usr/share/applications/hookwise.desktop"
find "$ROOT" -mindepth 1 -not -path "$ROOT/var/lib/dpkg*" | sort >"$WORK/installed.txt"

echo "-- HookWs from the installed path, a curl detection"
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR" "$WORK/run"
chmod 700 "$WORK/run"
export HOME="$HOME_DIR" HOOKWISE_REGISTRY="$WORK/registry.db" XDG_RUNTIME_DIR="$WORK/run"
export HOOKWISE_CATALOG="$WORK/protocols.catalog" QT_QPA_PLATFORM=offscreen
# No update from the network at start: the check runs on this machine only.
export HOOKWISE_MESSAGE_TIMEOUT_MS=1000 HOOKWISE_UPDATE_AT_START=0
unset XDG_CONFIG_HOME XDG_DATA_HOME
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvane\\Hookwise\\WebSiteBlocking]\r\n"WebSiteBlockingPermession"=hex:01,00,00,00\r\n' >"$WORK/block.reg"
"$ROOT/usr/bin/hkreg" import "$WORK/block.reg" >/dev/null
"$ROOT/usr/bin/HookWs" >"$WORK/hookws.log" 2>&1 &
TRAY=$!
for _ in $(seq 1 150); do [ -S "$WORK/run/hookwise/Baitguard Server Handler" ] && break; sleep 0.1; done
[ -S "$WORK/run/hookwise/Baitguard Server Handler" ] || { cat "$WORK/hookws.log"; fail "HookWs did not start"; }

DATA="$HOME_DIR/.local/share/hookwise"
[ -f "$DATA/hkwdb2.pbd" ] || fail "no working copy in $DATA"
[ -f "$DATA/hkwdb2.pbi" ] || fail "no definition index in $DATA"
[ -f "$DATA/hkwpm.htm" ] || fail "no warning page in $DATA"
[ -f "$DATA/hkwblocked.htm" ] || fail "no blocked request page in $DATA"
APP_PATH=$("$ROOT/usr/bin/hkreg" query 'HKEY_CURRENT_USER\Software\Corvane\Hookwise' 'App Path')
echo "$APP_PATH" | grep -qF "$DATA" || fail "App Path is not $DATA: $APP_PATH"

mkdir -p "$WORK/www"
echo "<h1>Sign in</h1>" >"$WORK/www/login"
python3 -c '
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
handler = functools.partial(Quiet, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()' "$WORK/www" "$WORK/port" &
WEB=$!
for _ in $(seq 1 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done
PORT=$(cat "$WORK/port")
allowed=$(LD_PRELOAD="$APP/libhookswp_lsp.so" curl -sS -o /dev/null -w '%{http_code}' \
  -H 'Host: news.example' "http://127.0.0.1:$PORT/" || true)
[ "$allowed" = 200 ] || fail "an unlisted site was not loaded ($allowed)"
blocked=$(LD_PRELOAD="$APP/libhookswp_lsp.so" curl -sS -o "$WORK/blocked.htm" -w '%{http_code}' \
  -H 'Host: secure-paypa1-login.example' "http://127.0.0.1:$PORT/login" || true)
[ "$blocked" = 403 ] || fail "the listed phishing URL was not answered with the 403 page ($blocked)"
grep -q 'Blocked by Hookwise' "$WORK/blocked.htm" || fail "the 403 answer is not the blocked page"
kill -TERM "$TRAY"
wait "$TRAY" || true
TRAY=
"$ROOT/usr/bin/hkreg" query 'HKEY_CURRENT_USER\Software\Corvane\Hookwise\AlertandLog\LogEntryDetails0' |
  grep -q 'secure-paypa1-login.example' || fail "the alert log holds no event for the blocked URL"
[ ! -e "$DATA/hkwdb2.pbd" ] || fail "the working copy was left at exit"
[ ! -e "$DATA/hkwdb2.pbi" ] || fail "the definition index was left at exit"
find "$ROOT" -mindepth 1 -not -path "$ROOT/var/lib/dpkg*" | sort >"$WORK/after-run.txt"
diff "$WORK/installed.txt" "$WORK/after-run.txt" || fail "HookWs wrote into the installed files"
echo "detection blocked and logged; nothing written outside $HOME_DIR"

echo "-- hookwise-update from the installed path, a local HTTPS feed"
(cd "$WORK" && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout feed.key -out feed.pem -days 1 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 2>/dev/null)
mkdir -p "$WORK/feeds"
echo "https://package-check-feed.example/login" >"$WORK/feeds/openphish.txt"
# The server runs until its standard input, the pipe held open on descriptor 3, closes.
mkfifo "$WORK/feed.in"
python3 tests/tools/update/feed_server.py "$WORK/feed.pem" "$WORK/feed.key" "$WORK/feeds" \
  "$WORK/feed.log" <"$WORK/feed.in" >"$WORK/feed.port" &
FEED=$!
exec 3>"$WORK/feed.in"
for _ in $(seq 1 50); do [ -s "$WORK/feed.port" ] && break; sleep 0.1; done
echo "openphish https://127.0.0.1:$(head -n 1 "$WORK/feed.port")/openphish.txt" >"$WORK/sources.conf"
"$ROOT/usr/bin/hookwise-update" --sources "$WORK/sources.conf" --ca-file "$WORK/feed.pem" ||
  fail "hookwise-update failed"
exec 3>&-
wait "$FEED" || true
FEED=
[ -f "$DATA/hkwdb1.pbd" ] && [ -f "$DATA/hkwdb1.pbi" ] || fail "no updated definitions in $DATA"
[ "$("$ROOT/usr/bin/hkwdefs" lookup "$DATA/hkwdb1.pbd" url package-check-feed.example/login)" = hit ] ||
  fail "the updated definitions lack the feed's entry"
find "$ROOT" -mindepth 1 -not -path "$ROOT/var/lib/dpkg*" | sort >"$WORK/after-update.txt"
diff "$WORK/installed.txt" "$WORK/after-update.txt" || fail "hookwise-update wrote into the installed files"
echo "update fetched, merged and written to $DATA"

echo "-- remove"
"${DPKG[@]}" --purge hookwise >/dev/null
left=$(find "$ROOT" -mindepth 1 -not -path "$ROOT/var/lib/dpkg*" -not -type d)
[ -z "$left" ] || fail "files left behind: $left"
dirs=$(find "$ROOT" -mindepth 1 -type d -not -path "$ROOT/var*" | grep -v -x -e "$ROOT/usr" -e "$ROOT/etc" || true)
[ -z "$dirs" ] || fail "folders left behind: $dirs"
echo "Package check passed."
