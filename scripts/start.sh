#!/usr/bin/env bash
# Installs what the project needs, builds it and starts a local party.
# With a desktop (DISPLAY or WAYLAND_DISPLAY set) the relay runs as the VeskServer window;
# without one, vesk-relay serves on port 15000 until Ctrl+C.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vesk_install_packages
vesk_build

# The client reads its lists from the current directory.
cd "$VESK_ROOT/data"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$VESK_BUILD/server/ui/VeskServer" ]; then
    "$VESK_BUILD/server/ui/VeskServer" &
    wait
else
    echo "No desktop found: starting vesk-relay on port 15000 (Ctrl+C stops it)."
    exec "$VESK_BUILD/server/cli/vesk-relay" --port 15000
fi
