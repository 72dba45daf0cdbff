#!/usr/bin/env bash
# Installs the Debian packages that are missing for building, running and testing.
# Usage: scripts/setup.sh [run|test|bench|fuzz|screenshot]...
set -euo pipefail

build_pkgs=(g++ cmake make pkg-config libgtest-dev libgmock-dev qt6-base-dev qt6-base-dev-tools
            libgl-dev libglib2.0-dev libxcb1-dev libfontconfig-dev fonts-ipafont-gothic fontconfig
            qt6-wayland qt6-translations-l10n dpkg-dev file libsndfile1-dev libkissfft-dev)
declare -A extra=(
  [run]=""
  [test]="xvfb openbox xdotool x11-utils weston desktop-file-utils appstream clang-format mpv"
  [bench]="sox time"
  [fuzz]="clang libclang-rt-dev"
  [screenshot]="xvfb openbox x11-utils"
)

wanted=("${build_pkgs[@]}")
for what in "$@"; do
  # shellcheck disable=SC2206
  wanted+=(${extra[$what]})
done

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
