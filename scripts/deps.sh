#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Hookwise need, when missing.
set -euo pipefail
PACKAGES=(
  build-essential cmake pkg-config git clang clang-format libclang-rt-14-dev
  libsqlite3-dev sqlite3 libssl-dev openssl libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-declarative-dev libqt6quickwidgets6 qml6-module-qtquick
  qml6-module-qtquick-controls qml6-module-qtquick-layouts qml6-module-qtquick-window
  qml6-module-qtqml-workerscript qml6-module-qtquick-templates
  xvfb xauth curl python3 nodejs npm chromium
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
