#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tolvo needs, and says which it
# installs and how: with apt-get, through sudo when not run as root. Packages already installed
# are left alone; with all of them present nothing is installed and nothing is asked.
set -euo pipefail
packages=(
  # building
  build-essential cmake pkg-config libmp3lame-dev libsoxr-dev libglib2.0-dev libgtk-3-dev
  gobject-introspection libgirepository1.0-dev libgtest-dev
  # the test suite's judges and helpers: decoders, encoders and tag tools to compare against,
  # Python and gjs bindings, a display for the GTK windows, terminals, the manual page viewer
  mpg123 lame sox ffmpeg python3 python3-mutagen python3-gi gjs eyed3 id3v2 kid3-cli
  xvfb xdotool tmux man-db bsdextrautils bash-completion
  # the sanitizer and fuzz builds
  clang libclang-rt-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-debian.sh: all ${#packages[@]} packages are installed"
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "setup-debian.sh: installing ${#missing[@]} packages with ${SUDO:+sudo }apt-get: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
