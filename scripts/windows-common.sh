# Shared by the Windows scripts: the cross build, the Japanese locale Wine takes its code page
# from, a Wine setup of the build's own, and a virtual X display for the windows.
# Debian 12 packages; run as root (or with sudo available).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

VESK_WINDOWS_BUILD=${VESK_WINDOWS_BUILD:-$VESK_ROOT/build-windows}

# googletest: its sources, which the cross build compiles (Debian's libraries are Linux ones);
# libboost-dev: the Boost headers, which the cross build takes as they are.
# nsis and zip make the installer and the zip.
VESK_WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix googletest libboost-dev wine wine64 nsis zip)

# What running the windows under Wine needs besides: a virtual display, xdotool and xclip to
# drive it, the Japanese locale and font, the fonts Wine draws its own window parts with
# (fonts-wine: the caption buttons are Marlett), and ImageMagick for a picture of the screen;
# and what the party and installer checks read their results with (python3, unzip, strings).
VESK_WINE_DESKTOP_PACKAGES=(
    xvfb xauth xdotool xclip locales fonts-ipafont-gothic fonts-wine imagemagick
    python3 unzip binutils
)

# vesk_windows_build [target...]: configures the cross build and builds the targets given, or
# else everything with the tests.
vesk_windows_build() {
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$VESK_ROOT" -B "$VESK_WINDOWS_BUILD" -DCMAKE_BUILD_TYPE=Release -DVESK_BUILD_GUI=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$VESK_ROOT/cmake/mingw-w64-x86_64.cmake" "${launcher[@]}"
    cmake --build "$VESK_WINDOWS_BUILD" -j "$(nproc)" "${targets[@]}"
}

# vesk_windows_package: the installer's and the zip's path without ".exe" or ".zip", as CPack
# names them in the configured cross build.
vesk_windows_package() {
    local name
    name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' \
        "$VESK_WINDOWS_BUILD/CPackConfig.cmake")
    echo "$VESK_WINDOWS_BUILD/$name"
}

# Wine's ANSI code page follows LANG: with ja_JP.UTF-8 it is 932, without that locale 1252.
vesk_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' && return 0
    vesk_as_root sed -i -e 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'ja_JP.UTF-8 UTF-8' | vesk_as_root tee -a /etc/locale.gen >/dev/null
    vesk_as_root locale-gen
}

# The faces the programs name, which Windows brings and Wine does not, drawn with the IPA fonts
# (fc-list names them IPAPGothic and IPAGothic), so that Japanese shows as Japanese.
VESK_WINE_FONT_REPLACEMENTS=(
    "ＭＳ Ｐゴシック=IPAPGothic"
    "ＭＳ ゴシック=IPAGothic"
    "MS PGothic=IPAPGothic"
    "MS Gothic=IPAGothic"
    "MS UI Gothic=IPAPGothic"
    "Meiryo=IPAPGothic"
    "Meiryo UI=IPAPGothic"
    "Yu Gothic UI=IPAPGothic"
)

# vesk_wine_setup: a Wine setup of the build's own in $VESK_WINDOWS_BUILD/wine, made before the
# tests start so that they do not race to make it, with the font replacements and Wine drawing
# the window frames itself (a virtual display has no window manager to draw them); then Wine's
# server and its system services, started here and kept until vesk_wine_stop: the first test
# program would start them otherwise, they would hold its output open, and CTest would wait
# for that output until they ended. Wine's .NET and browser stand-ins are not wanted: nothing
# here uses them; nor its menu builder, which would copy the Start-menu entries an installer
# makes into the desktop menu of the machine.
vesk_wine_setup() {
    export WINEPREFIX="$VESK_WINDOWS_BUILD/wine" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LANG=ja_JP.UTF-8
    # Made afresh for each run: no settings, installs or fonts of an earlier run stay in it.
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    # Wine links the user's Documents, Desktop and the like to the home folder; real folders in
    # the setup instead, so that what the programs and the installer write there stays in it.
    local folder
    for folder in "$WINEPREFIX/drive_c/users/$(id -un)"/*; do
        [ -L "$folder" ] || continue
        rm "$folder"
        mkdir "$folder"
    done
    # The caption buttons Wine draws are letters of its Marlett font, which this Wine does not
    # find in fonts-wine by itself.
    ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    local replacement
    for replacement in "${VESK_WINE_FONT_REPLACEMENTS[@]}"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${replacement%%=*}" \
            /t REG_SZ /d "${replacement#*=}" /f >/dev/null 2>&1
    done
}

vesk_wine_stop() {
    wineserver -k 2>/dev/null || true
}

# vesk_start_xvfb: a virtual display for the windows, DISPLAY set to it. VESK_X_DISPLAY picks the
# number; otherwise the first free one from 90 on. Started in the background; its process id is
# in VESK_XVFB_PID for vesk_stop_xvfb.
vesk_start_xvfb() {
    local number=${VESK_X_DISPLAY:-90} last=${VESK_X_DISPLAY:-120} ready
    ready=$(mktemp)
    for ((; number <= last; number++)); do
        [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$ready" \
            </dev/null >/dev/null 2>&1 &
        VESK_XVFB_PID=$!
        # Xvfb writes its display number to the descriptor once it takes connections.
        local deadline=$((SECONDS + 20))
        while [ ! -s "$ready" ] && kill -0 "$VESK_XVFB_PID" 2>/dev/null &&
            [ $SECONDS -lt $deadline ]; do
            sleep 0.1
        done
        if [ -s "$ready" ]; then
            rm -f "$ready"
            export DISPLAY=":$number"
            return 0
        fi
        # Another display took the number first (or Xvfb hung): try the next one.
        kill "$VESK_XVFB_PID" 2>/dev/null || true
        wait "$VESK_XVFB_PID" 2>/dev/null || true
    done
    rm -f "$ready"
    echo "No free X display to start Xvfb on" >&2
    return 1
}

vesk_stop_xvfb() {
    [ -n "${VESK_XVFB_PID:-}" ] || return 0
    kill "$VESK_XVFB_PID" 2>/dev/null || true
    wait "$VESK_XVFB_PID" 2>/dev/null || true
    VESK_XVFB_PID=
}
