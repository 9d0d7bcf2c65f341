#!/usr/bin/env bash
# Vesk on Windows: cross-compiles the Qt-free core (protocol/, server/ with vesk-relay, dice/,
# client/net/, client/dice/, client/rules/), the native programs VeskServer.exe and VeskChat.exe
# and their tests for 64-bit Windows with Debian's mingw-w64, and runs the tests under Wine with
# a virtual X display and the Japanese locale. So the Winsock side of the sockets, the code page
# 932 conversion through the Windows API and the windows themselves are built and tested here.
# Debian 12 packages; run as root (or with sudo available).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-common.sh"

vesk_install_packages "${VESK_WINDOWS_PACKAGES[@]}" "${VESK_WINE_DESKTOP_PACKAGES[@]}"
vesk_japanese_locale
vesk_windows_build
build="$VESK_WINDOWS_BUILD"

vesk_start_xvfb
trap 'vesk_wine_stop; vesk_stop_xvfb' EXIT
vesk_wine_setup
status=0
(cd "$build" && ctest --output-on-failure -j "$(nproc)") || status=$?

# The tests that cannot run under Wine say so, with their reason, in the code; list them.
echo "=== skipped under Wine ==="
grep -h -A1 ': Skipped$' "$build/Testing/Temporary/LastTest.log" | grep -v -e '^--$' || true

exit "$status"
