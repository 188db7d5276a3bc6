#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmark need.
# Only missing packages are installed, so running it again is cheap.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins
    libgl-dev libgif-dev libtiff-dev zlib1g-dev libpng-dev libdeflate-dev liblcms2-dev libjpeg62-turbo-dev
    fonts-noto-cjk xvfb xauth
    # A private session bus for the test of the desktop portal.
    dbus-daemon
    # Qt's own texts (OK, Cancel, file dialogs) in the interface language.
    qt6-translations-l10n
    # Manual pages, the Debian package and the checks of menu entries and metadata.
    help2man dpkg-dev file desktop-file-utils appstream
)
if [ "${1:-}" = "--bench" ]; then
    # Comparison tools for the benchmark only.
    packages+=(imagemagick libvips-tools libspng-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
