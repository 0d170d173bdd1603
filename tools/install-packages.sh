#!/usr/bin/env bash
# Installs the Debian packages a set of needs asks for, if any are missing.
#   tools/install-packages.sh run    what building and starting the program needs
#   tools/install-packages.sh test   that, plus what the tests need
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libgl-dev libpng-dev libjpeg-dev libgif-dev
          fonts-wqy-microhei)
if [ "${1:-run}" = test ]; then
    packages+=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -ne 0 ]; then
    echo "icogen needs these packages: ${missing[*]}" >&2
    echo "Install them as root with:" >&2
    echo "  ${command[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq || true
"${command[@]}"
