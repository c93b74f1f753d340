#!/bin/sh
# Sets up a Debian 12 machine for Gestione Dorvi, builds it, and then either starts
# the program on its starter catalogue (./build.sh run) or runs every test
# (./build.sh test).
set -eu
cd "$(dirname "$0")"

packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev \
libsqlite3-dev sqlite3 mdbtools-dev libgtest-dev libgmock-dev libbenchmark-dev \
xvfb xauth xdotool xclip valgrind"

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    else
        echo "Mancano dei pacchetti. Installarli come root con:" >&2
        echo "  apt-get install -y$missing" >&2
        exit 1
    fi
fi

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
cmake --build "$build"

case "${1:-run}" in
run)
    exec "$build/app/dorvi"
    ;;
test)
    cd "$build"
    exec ctest --output-on-failure --timeout 600 -j "$(nproc)"
    ;;
*)
    echo "uso: $0 run|test" >&2
    exit 2
    ;;
esac
