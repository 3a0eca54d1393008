#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, through sudo when not root.
# Installs nothing when everything is there already.
set -euo pipefail

# libsndfile1-dev: decoding FLAC, Ogg Vorbis, Opus, MP3 and AIFF files (found through pkg-config);
# desktop-file-utils and appstream: the tests validate the desktop entry and the metainfo file.
packages=(build-essential cmake pkg-config qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
    fonts-liberation libsndfile1-dev desktop-file-utils appstream)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
