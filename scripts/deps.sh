#!/usr/bin/env bash
# Installs the Debian 12 packages Reelvane builds and tests with; does nothing when all are present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev libqt6dbus6 libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libges-1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x
  libavcodec-dev libavutil-dev libswscale-dev
  desktop-file-utils appstream
  libgtest-dev libgmock-dev
  ffmpeg xvfb xauth
  locales
)

# Callers may name more packages (scripts/package.sh: the packaging tools).
packages+=("$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
