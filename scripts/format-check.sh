#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as the repository's .clang-format says; lists
# the files that are not (`clang-format -i FILE` formats one).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== clang-format =="
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
  find . \( -path ./build\* -o -path ./node_modules -o -name node_modules \) -prune -o \
    \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror
fi
echo "formatted"
