#!/usr/bin/env bash
# Vesk on Windows: cross-compiles the Qt-free core (protocol/, server/ with vesk-relay, dice/,
# client/net/, client/dice/, client/rules/), the native programs VeskServer.exe and VeskChat.exe
# and their tests for 64-bit Windows with Debian's mingw-w64, and runs the tests under Wine with
# a virtual X display and the Japanese locale. So the Winsock side of the sockets, the code page
# 932 conversion through the Windows API and the windows themselves are built and tested here.
# Then, with a Linux VeskChat at hand (VESK_LINUX_CHAT, or else build/client/ui/VeskChat of the
# Linux build), a party of VeskServer.exe, VeskChat.exe and the Linux VeskChat, driven with
# xdotool; then the installer and the zip (scripts/windows-package.sh), installed and
# uninstalled under the same Wine.
# Debian 12 packages; run as root (or with sudo available).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-common.sh"

vesk_install_packages "${VESK_WINDOWS_PACKAGES[@]}" "${VESK_WINE_DESKTOP_PACKAGES[@]}"
vesk_japanese_locale
"$VESK_ROOT/scripts/windows-package.sh"
build="$VESK_WINDOWS_BUILD"

vesk_start_xvfb
trap 'vesk_wine_stop; vesk_stop_xvfb' EXIT
vesk_wine_setup
status=0
(cd "$build" && ctest --output-on-failure -j "$(nproc)") || status=$?

# The tests that cannot run under Wine say so, with their reason, in the code; list them.
echo "=== skipped under Wine ==="
grep -h -A1 ': Skipped$' "$build/Testing/Temporary/LastTest.log" | grep -v -e '^--$' || true

linux_chat=${VESK_LINUX_CHAT:-$VESK_BUILD/client/ui/VeskChat}
if [ -x "$linux_chat" ]; then
    echo "=== a party under Wine ==="
    # The picture of the party is kept beside the build: README's screenshot comes from it.
    "$VESK_ROOT/tests/windows/party_under_wine.sh" "$build" "$linux_chat" \
        "$build/party_under_wine.png" || status=$?
else
    echo "=== no party under Wine: no Linux VeskChat at $linux_chat (./scripts/start.sh builds" \
        "it; or set VESK_LINUX_CHAT) ===" >&2
    status=1
fi

echo "=== the installer under Wine ==="
package=$(vesk_windows_package)
"$VESK_ROOT/tests/windows/installer_under_wine.sh" "$package.exe" "$package.zip" || status=$?
exit "$status"
