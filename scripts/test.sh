#!/usr/bin/env bash
# Installs what the project needs, builds everything and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vesk_install_packages
vesk_install_packages "${VESK_TEST_PACKAGES[@]}"
vesk_install_axe
vesk_build
cd "$VESK_BUILD"
ctest --output-on-failure -j "$(nproc)"
