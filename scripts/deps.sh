# Installs the Debian packages that building, running and testing Corvane need,
# when any of them is missing. Sourced by scripts/run and scripts/test.

corvane_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    ffmpeg xvfb xauth
)

corvane_install_missing() {
    local missing=()
    local package
    for package in "${corvane_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
