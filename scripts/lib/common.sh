# Shared by scripts/run and scripts/test: package installation and the build.
# Sourced, not run.

SONTI_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What building and running Sonti needs.
SONTI_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libespeak-ng-dev espeak-ng-data libpulse-dev libsoxr-dev
    libpoppler-qt6-dev libarchive-dev
    pulseaudio-utils fonts-liberation2 fonts-dejavu-core xvfb xauth
)
# What the tests, the fuzzers and the end-to-end runs need on top.
SONTI_TEST_PACKAGES=(
    pulseaudio sox xdotool imagemagick x11-utils
    clang libclang-rt-14-dev espeak-ng qpdf
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

# sonti_build <build dir> [extra cmake arguments...]; SONTI_TARGET, when
# set, builds that target alone.
sonti_build() {
    local dir="$1"
    shift
    cmake -S "$SONTI_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)" ${SONTI_TARGET:+--target "$SONTI_TARGET"}
}
