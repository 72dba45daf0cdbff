#!/usr/bin/env bash
# Formats every C++ source of the project as .clang-format says; with --check it changes
# nothing and fails, naming each file that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${sources[@]}"
else
  clang-format -i "${sources[@]}"
fi
