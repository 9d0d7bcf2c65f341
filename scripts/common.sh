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

# The browser seat's accessibility test runs axe-core, from the npm registry: this version,
# whose tarball must match the registry's integrity hash. The test gives it to the page; the
# relay never serves it.
VESK_AXE_VERSION=4.14.1
VESK_AXE_INTEGRITY=sha512-FHfa+lmNjQZfJz1q8wKqIDwC6DExcHt/pkjNQb09a3NPjCKg2rhu5qb2S4r76ASyFNNtuFooJpZe37OgudVGtQ==
VESK_AXE_FILE=$VESK_ROOT/.cache/axe-core-$VESK_AXE_VERSION/axe.min.js

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

# vesk_install_axe: fetches axe-core into VESK_AXE_FILE, once (python3 comes with the test
# packages).
vesk_install_axe() {
    [ -f "$VESK_AXE_FILE" ] && return 0
    echo "Fetching axe-core $VESK_AXE_VERSION from the npm registry"
    python3 - "$VESK_AXE_VERSION" "$VESK_AXE_INTEGRITY" "$VESK_AXE_FILE" <<'PYTHON'
import base64, hashlib, io, os, sys, tarfile, urllib.request
version, integrity, target = sys.argv[1:]
url = f"https://registry.npmjs.org/axe-core/-/axe-core-{version}.tgz"
tarball = urllib.request.urlopen(url, timeout=120).read()
digest = "sha512-" + base64.b64encode(hashlib.sha512(tarball).digest()).decode()
if digest != integrity:
    sys.exit(f"axe-core {version}: the tarball does not match its integrity hash")
with tarfile.open(fileobj=io.BytesIO(tarball)) as archive:
    script = archive.extractfile("package/axe.min.js").read()
os.makedirs(os.path.dirname(target), exist_ok=True)
with open(target + ".part", "wb") as out:
    out.write(script)
os.replace(target + ".part", target)
PYTHON
}
