#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test rulecore.
# Safe to run again: it only installs packages that are missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libedit-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -q </dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}" </dev/null
fi
