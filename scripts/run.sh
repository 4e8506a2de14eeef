#!/usr/bin/env bash
# Builds Hookwise, stages the program folder at build/dist/ and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
cmake --install build --prefix build/dist >/dev/null
DIST=build/dist
echo "Program folder staged at $DIST:"
ls "$DIST"
echo
echo "Definitions version: $(head -c 14 "$DIST/hkwdb1.pbd")"
"$DIST/hkwdefs" decompile "$DIST/hkwdb1.pbd" build/hkwdb1-plain.ini
echo "Lookups against the shipped definitions:"
for q in "ip 203.0.113.66" "url secure-paypa1-login.example/verify" "from billing@amaz0n-support.example" "ip 192.0.2.1"; do
  set -- $q
  printf '  %-5s %-45s -> ' "$1" "$2"
  "$DIST/hkwdefs" lookup "$DIST/hkwdb1.pbd" "$1" "$2"
done
