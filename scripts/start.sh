#!/usr/bin/env bash
# Installs what the project needs, builds it and starts a local party.
# With a desktop (DISPLAY or WAYLAND_DISPLAY set): the relay serves on port 15000 and a
# VeskChat window opens whose connect defaults (127.0.0.1, 15000) reach it; closing the
# window ends the party. Without one, vesk-relay serves on port 15000 until Ctrl+C.
# Either way the relay's browser seat serves its page on port 15080.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vesk_install_packages
# The programs only: the tests take most of a full build's time.
vesk_build vesk-relay VeskChat VeskServer

# The client reads its lists from the current directory.
cd "$VESK_ROOT/data"
relay_arguments=(--port 15000 --web-port 15080 --dice on)
address=$(hostname -I 2>/dev/null | awk '{print $1}') || address=
echo "Browser seat: http://${address:-127.0.0.1}:15080/ (on this machine: http://127.0.0.1:15080/)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$VESK_BUILD/client/ui/VeskChat" ]; then
    "$VESK_BUILD/server/cli/vesk-relay" "${relay_arguments[@]}" &
    relay=$!
    trap 'kill "$relay" 2>/dev/null; wait "$relay" 2>/dev/null' EXIT
    echo "vesk-relay serves on port 15000; in VeskChat choose ファイル → 接続 (Ctrl+S) → 接続."
    "$VESK_BUILD/client/ui/VeskChat"
else
    echo "No desktop found: starting vesk-relay on port 15000 (Ctrl+C stops it)."
    exec "$VESK_BUILD/server/cli/vesk-relay" "${relay_arguments[@]}"
fi
