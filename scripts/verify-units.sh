#!/usr/bin/env bash
# Checks the systemd user units of the package with `systemd-analyze verify` (which needs no
# running systemd): verify-units.sh UNIT-FOLDER PROGRAM [PRESET]. The service's ExecStart names the
# program on the PATH; the copy verified here names PROGRAM instead (the built or the installed
# one), so that verify also checks it is there and executable. Any warning about the units fails
# the check, not only the errors verify counts. PRESET (default UNIT-FOLDER/80-hookwise.preset)
# must enable the timer. Exit 77 (skipped) without systemd-analyze.
set -euo pipefail
UNITS=$1
PROGRAM=$2
PRESET=${3:-$UNITS/80-hookwise.preset}
if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze is not installed (Debian package systemd): units not verified"
  exit 77
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
sed "s|^ExecStart=/usr/bin/hookwise-update |ExecStart=$PROGRAM |" \
  "$UNITS/hookwise-update.service" >"$WORK/hookwise-update.service"
grep -q "^ExecStart=$PROGRAM --quiet\$" "$WORK/hookwise-update.service" ||
  { echo "hookwise-update.service: ExecStart is not /usr/bin/hookwise-update --quiet"; exit 1; }
cp "$UNITS/hookwise-update.timer" "$WORK/"
status=0
systemd-analyze verify --man=no "$WORK/hookwise-update.service" "$WORK/hookwise-update.timer" \
  >"$WORK/out" 2>&1 || status=$?
cat "$WORK/out"
[ "$status" -eq 0 ] || { echo "systemd-analyze verify failed ($status)"; exit 1; }
if grep -q 'hookwise-update\.' "$WORK/out"; then
  echo "systemd-analyze verify warned about the units"
  exit 1
fi
grep -qx 'enable hookwise-update.timer' "$PRESET" ||
  { echo "$PRESET does not enable the timer"; exit 1; }
echo "units verified"
