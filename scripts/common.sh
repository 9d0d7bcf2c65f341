# Shared by the start and test scripts: installs what the project needs and builds it.
# Debian 12 packages; run as root (or with sudo available).

VESK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VESK_BUILD=${VESK_BUILD:-$VESK_ROOT/build}

VESK_PACKAGES=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-translations-l10n
    fonts-ipafont-gothic
    libboost-dev libssl-dev
)

# What the tests need besides: the browser seat's end-to-end test drives Debian's Chromium;
# the dead-peer test makes a network namespace with iproute2's ip.
VESK_TEST_PACKAGES=(chromium chromium-driver python3-selenium iproute2)

# What building the Debian package needs besides: dpkg-shlibdeps (dpkg-dev) and `file` for
# CPack's dependency list.
VESK_PACKAGING_PACKAGES=(dpkg-dev file)

# What the package check needs besides: desktop-file-validate, systemd-analyze.
VESK_PACKAGE_CHECK_PACKAGES=(
    "${VESK_PACKAGING_PACKAGES[@]}"
    desktop-file-utils
    systemd
)

vesk_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# vesk_install_packages [package...]: the packages given, or else VESK_PACKAGES.
vesk_install_packages() {
    local wanted=("$@") missing=()
    [ ${#wanted[@]} -gt 0 ] || wanted=("${VESK_PACKAGES[@]}")
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    vesk_as_root apt-get update -q
    DEBIAN_FRONTEND=noninteractive vesk_as_root apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# vesk_build [target...]: configures the build and builds the targets given, or else everything
# with the tests.
vesk_build() {
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    cmake -S "$VESK_ROOT" -B "$VESK_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$VESK_BUILD" -j "$(nproc)" "${targets[@]}"
}
