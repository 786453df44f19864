#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, test and run its demo.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git ccache
  libcups2-dev libqpdf-dev libdeflate-dev zlib1g-dev libssl-dev libplist-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  cups cups-client cups-filters cups-bsd qpdf poppler-utils ghostscript openssl
  man-db groff-base  # the manual pages' rendering test
  clang libclang-rt-14-dev lld
  # Debian packages of the driver and the desktop programs (scripts/package.sh)
  dpkg-dev fakeroot lintian
  # desktop windows: Qt's widgets and its own translations, fonts that cover Japanese, and a
  # virtual X server (and xdotool to type into it) for using windows without a desktop
  qt6-base-dev qt6-translations-l10n fonts-noto-cjk xvfb xauth xdotool
  # a private session bus for the agent's desktop notifications in the tests
  dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
