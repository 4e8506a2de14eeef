#!/usr/bin/env bash
# Installs the Debian 12 packages Hookwise needs, when missing.
# Usage: scripts/deps.sh [run|test]
#   run   building the programs and running them (scripts/run.sh)
#   test  everything the tests, the sanitizer and fuzz builds and the package check need on top
#         (scripts/test.sh; the default)
set -euo pipefail
PURPOSE=${1:-test}

# Compiler, CMake, the libraries the programs link and the Qt modules their windows load; curl
# and python3 for scripts/demo.sh, which scripts/run.sh points to.
RUN_PACKAGES=(
  build-essential cmake pkg-config
  libsqlite3-dev libsystemd-dev libidn2-dev libxxhash-dev libssl-dev libcurl4-openssl-dev libicu-dev
  qt6-base-dev qt6-declarative-dev libqt6quickwidgets6 qml6-module-qtquick
  qml6-module-qtquick-controls qml6-module-qtquick-layouts qml6-module-qtquick-window
  qml6-module-qtqml-workerscript qml6-module-qtquick-templates curl python3
)
# Test frameworks, the fuzzing compiler, the format check, the real programs the end-to-end tests
# drive (browsers, web mail, IMAP server, command-line clients) and the package check's tools.
TEST_PACKAGES=(
  git clang clang-format libclang-rt-14-dev sqlite3 openssl systemd
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth wget chromium firefox-esr
  roundcube roundcube-sqlite3 dovecot-imapd php-cli php-sqlite3
  dpkg-dev fakeroot lintian desktop-file-utils
)
# The packages of the test set that only serve end-to-end tests, which skip without them.
OPTIONAL_PACKAGES=" chromium firefox-esr nodejs npm xvfb xauth roundcube roundcube-sqlite3 dovecot-imapd php-cli php-sqlite3 "

case "$PURPOSE" in
  run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  test)
    PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
    # Node.js may come from another source than Debian (NodeSource's nodejs bundles npm and
    # conflicts with Debian's npm package), so Node.js and npm are asked for only when the
    # commands are missing.
    command -v node >/dev/null 2>&1 || PACKAGES+=(nodejs)
    command -v npm >/dev/null 2>&1 || PACKAGES+=(npm)
    ;;
  *)
    echo "Usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
# Roundcube serves only the end-to-end test, which runs it with a configuration and database of
# its own: the package is not to set up a database, and the system's IMAP server that comes with
# dovecot-imapd is not to keep running.
echo "roundcube-core roundcube/dbconfig-install boolean false" | $SUDO debconf-set-selections
stop_new_services() {
  case " ${missing[*]} " in
    *" dovecot-imapd "*)
      if command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ]; then
        $SUDO systemctl disable --now dovecot >/dev/null 2>&1 || true
      elif command -v service >/dev/null 2>&1; then
        $SUDO service dovecot stop >/dev/null 2>&1 || true
      fi ;;
  esac
}
trap stop_new_services EXIT
install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@"; }
install "${missing[@]}" && exit 0

# One package that cannot be installed must not keep the others out: retry them one by one.
echo "Installing all at once failed; trying each package alone." >&2
failed_required=()
for p in "${missing[@]}"; do
  install "$p" && continue
  case "$OPTIONAL_PACKAGES" in
    *" $p "*) echo "Warning: $p could not be installed; the tests that need it skip." >&2 ;;
    *) failed_required+=("$p") ;;
  esac
done
if [ ${#failed_required[@]} -gt 0 ]; then
  echo "Error: could not install ${failed_required[*]}" >&2
  exit 1
fi
