#!/usr/bin/env bash
# The Windows installer and zip: cross-compiles VeskChat.exe, VeskServer.exe and vesk-relay.exe
# with Debian's mingw-w64 and has CPack make of them, with the help page and the sample lists,
# build-windows/vesk-<version>-win64.exe (NSIS; installs under "C:\Program Files\Vesk" with
# Start-menu entries) and build-windows/vesk-<version>-win64.zip (the same files, no installer).
# Debian 12 packages; run as root (or with sudo available).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-common.sh"

vesk_install_packages "${VESK_WINDOWS_PACKAGES[@]}"
vesk_windows_build
(cd "$VESK_WINDOWS_BUILD" && cpack -G "NSIS;ZIP" >/dev/null)
package=$(vesk_windows_package)
echo "Installer: $package.exe"
echo "Zip:       $package.zip"
