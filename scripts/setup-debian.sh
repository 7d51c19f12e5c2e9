#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tolvo needs.
set -euo pipefail
packages=(build-essential cmake pkg-config libmp3lame-dev libgtest-dev libglib2.0-dev libgtk-3-dev
          libsoxr-dev gobject-introspection libgirepository1.0-dev
          mpg123 python3 python3-mutagen python3-gi gjs eyed3 id3v2 kid3-cli ffmpeg sox lame
          man-db bash-completion xvfb xdotool tmux clang libclang-rt-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
