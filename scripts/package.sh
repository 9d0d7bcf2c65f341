#!/usr/bin/env bash
# Installs what building needs, builds everything and makes the Debian package:
# build/vesk_<version>_amd64.deb.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vesk_install_packages
vesk_install_packages "${VESK_PACKAGING_PACKAGES[@]}"
vesk_build
cd "$VESK_BUILD"
rm -f vesk_*.deb
cpack -G DEB
