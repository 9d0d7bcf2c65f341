#!/usr/bin/env bash
# The Qt-free core on Windows: cross-compiles protocol/, server/ (with vesk-relay),
# dice/, client/net/, client/dice/, client/rules/ and their tests for 64-bit Windows with Debian's
# mingw-w64, and runs the tests under Wine. So the Winsock side of the sockets and the code
# page 932 conversion through the Windows API are built and tested here too.
# Debian 12 packages; run as root (or with sudo available).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# googletest: its sources, which the cross build compiles (Debian's libraries are Linux ones).
vesk_install_packages cmake make g++-mingw-w64-x86-64-posix googletest wine wine64
build="$VESK_ROOT/build-windows"
cmake -S "$VESK_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVESK_BUILD_GUI=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$VESK_ROOT/cmake/mingw-w64-x86_64.cmake"
cmake --build "$build" -j "$(nproc)"

# A Wine setup of its own, made before the tests start so that they do not race to make it.
# Wine's .NET and browser stand-ins are not wanted: nothing here uses them.
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init >/dev/null 2>&1 || true
wineserver -w
# Wine's server and its system services, started here and kept until the end: the first test
# program would start them otherwise, they would hold its output open, and CTest would wait
# for that output until they ended.
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1 || true
status=0
(cd "$build" && ctest --output-on-failure -j "$(nproc)") || status=$?
wineserver -k 2>/dev/null || true

# The tests that cannot run under Wine say so, with their reason, in the code; list them.
echo "=== skipped under Wine ==="
grep -h -A1 ': Skipped$' "$build/Testing/Temporary/LastTest.log" | grep -v -e '^--$' || true
exit "$status"
