# Shared by the scripts: package installation, the build and the tests.
# Sourced, not run.

SONTI_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What building and running Sonti needs.
SONTI_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    libespeak-ng-dev espeak-ng-data flite1-dev libpulse-dev libsoxr-dev libsndfile1-dev
    libpoppler-qt6-dev libarchive-dev
    pulseaudio-utils fonts-liberation2 fonts-dejavu-core xvfb xauth
)
# What the tests, the fuzzers and the end-to-end runs need on top.
SONTI_TEST_PACKAGES=(
    pulseaudio sox xdotool imagemagick x11-utils
    pipewire pipewire-pulse wireplumber dbus-daemon
    clang libclang-rt-14-dev clang-format espeak-ng qpdf jq
    qt6-base-private-dev
    dpkg-dev file desktop-file-utils appstream man-db
    gdb
)

sonti_log() { printf '== %s\n' "$*"; }

# Installs the missing packages only, so a second run takes a moment.
sonti_install() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    sonti_log "installing ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# sonti_configure <preset>: configures the build of that preset of
# CMakePresets.json.
sonti_configure() {
    (cd "$SONTI_ROOT" && cmake --preset "$1" >/dev/null)
}

# sonti_build <preset> [target...]: configures and builds with that preset
# (all of its targets, or those given).
sonti_build() {
    local preset="$1"
    shift
    local targets=()
    (($# == 0)) || targets=(--target "$@")
    sonti_configure "$preset"
    (cd "$SONTI_ROOT" && cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}")
}

# sonti_ctest <preset> [ctest arguments...]: runs the tests of that preset.
sonti_ctest() {
    (cd "$SONTI_ROOT" && ctest --preset "$@")
}
