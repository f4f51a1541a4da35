# Sourced by ./test and ./run: installs the Debian 12 packages that building and testing
# Velmaro needs, only those that are missing.

velmaro_packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
    qt6-base-dev qt6-svg-dev
    # the card's PNG images, compressed by the program itself
    zlib1g-dev
    fonts-liberation2 fontconfig poppler-utils
    # a font with letters beyond the first 65,536 characters, for the PDF font's test of them
    fonts-dejavu-core
    # the Italian locale that the test of the decimal separator builds (localedef's sources)
    locales
    # the Debian package (dpkg-shlibdeps, and file, which CPack uses to find executables)
    # and the checks of the installed tree
    dpkg-dev file desktop-file-utils appstream man-db
    # printing: the spooler library, Qt's translations, and the CUPS queue of the print tests
    libcups2-dev qt6-translations-l10n
    cups printer-driver-cups-pdf
    # a real X display for the window's tests of the displays it opens on, with a window
    # manager that places and maximizes the window, xwininfo to see where its boxes stand and
    # xdotool to click its title bar
    xvfb openbox x11-utils xdotool
)

# The fuzzers (./test --fuzz): clang with libFuzzer and the sanitizers' runtimes.
velmaro_fuzz_packages=(clang libclang-rt-14-dev)

# install_dependencies [PACKAGE...]: the packages given, or else those of the build and tests.
install_dependencies() {
    local missing=()
    local package
    local wanted=("$@")
    [[ ${#wanted[@]} -eq 0 ]] && wanted=("${velmaro_packages[@]}")
    for package in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "Please install as root: apt-get install ${missing[*]}" >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -q
    # Through env: sudo clears the environment (env_reset), so a setting put before it would
    # not reach apt-get, and debconf would ask its questions.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}
