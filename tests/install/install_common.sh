# Sourced by the install checks: arguments, a throw-away folder, and small helpers.
#   $1 the build folder, $2 the source folder, $3 the project's version
set -euo pipefail
build=$1
source_dir=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

skip() {
    echo "SKIPPED: $*"
    exit 77
}

# Installs the build into $1 (a prefix), quietly.
install_into() {
    cmake --install "$build" --prefix "$1" >"$scratch/install.log" 2>&1 ||
        { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
}

# Runs an installed velmaro with no display, no VELMARO_DATA_DIR and no user settings.
run_velmaro() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u VELMARO_DATA_DIR LC_ALL=C \
        XDG_CONFIG_HOME="$scratch/no-config" "$@"
}

# Width and height of a PNG file, from its header.
png_size() {
    local bytes
    bytes=($(od -An -tu1 -j16 -N8 "$1"))
    echo "$(((bytes[2] << 8) | bytes[3]))x$(((bytes[6] << 8) | bytes[7]))"
}
