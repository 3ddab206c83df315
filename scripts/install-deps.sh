#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages/*.txt that are missing.
# Usage: install-deps.sh [play|test]   (play: base.txt only; test: every list)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-test}" = test ]; then
  lists=("$here"/packages/*.txt)
else
  lists=("$here/packages/base.txt")
fi
wanted=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
