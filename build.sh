#!/bin/sh
# Sets up a Debian 12 machine for Gestione Dorvi, builds it, and then either starts
# the program on its starter catalogue (./build.sh run), runs every test
# (./build.sh test), or installs the program as a folder of the user's and puts it
# in the user's application menu (./build.sh install [FOLDER], ~/GestioneDorvi by
# default; run again, it updates the program and keeps the catalogue).
set -eu
caller=$PWD
cd "$(dirname "$0")"

packages="cmake ninja-build ccache g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev \
libsqlite3-dev libicu-dev sqlite3 mdbtools-dev libgtest-dev libgmock-dev libbenchmark-dev \
xvfb xauth xdotool xclip clang libclang-rt-14-dev valgrind libqt6sql6-sqlite \
libreoffice-calc-nogui poppler-utils libzip-dev calibre zip desktop-file-utils appstream at-spi2-core python3-pyatspi dbus dbus-x11"

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
# The program, its importer and its starter catalogue, without the tests and the
# benchmarks: about a sixth of the whole build.
program_targets="dorvi dorvi-import starter-catalogue"

case "${1:-run}" in
run)
    cmake --build "$build" --target $program_targets
    exec "$build/app/dorvi"
    ;;
install)
    folder=${2:-$HOME/GestioneDorvi}
    case "$folder" in /*) ;; *) folder="$caller/$folder" ;; esac
    mkdir -p "$folder"
    folder=$(cd "$folder" && pwd)
    cmake --build "$build" --target $program_targets
    cmake --install "$build" --prefix "$folder"
    desktop/register.sh "$folder"
    ;;
test)
    cmake --build "$build"

    # The whole suite again, built by clang with AddressSanitizer and
    # UndefinedBehaviorSanitizer, which also builds the fuzz target. A report stops
    # the program that made it; every report, from any program a test starts (the
    # whole-program tests run `dorvi` as a child), is written to a folder that must
    # stay empty.
    sanitized=${SANITIZE_BUILD_DIR:-build-asan}
    cmake -S . -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DDORVI_SANITIZE=ON -DDORVI_BENCHMARKS=OFF
    # The first suite mostly waits (on the program's windows, on Calc): the
    # sanitized build compiles meanwhile, at a lower priority, so the tests keep
    # the processor whenever they need it.
    nice -n 10 cmake --build "$sanitized" > "$sanitized/build.log" 2>&1 &
    sanitized_build=$!
    status=0
    (cd "$build" && ctest --output-on-failure --timeout 600 -j "$(nproc)") || status=$?
    built=0
    wait "$sanitized_build" || built=$?
    if [ "$built" -ne 0 ]; then
        tail -n 60 "$sanitized/build.log" >&2
        exit "$built"
    fi
    [ "$status" -eq 0 ] || exit "$status"
    reports="$(cd "$sanitized" && pwd)/sanitizer-reports"
    rm -rf "$reports"
    mkdir -p "$reports"
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:log_path=$reports/asan"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    # The benchmarks are never run by the suites, only kept building: they compile
    # meanwhile, at the lowest priority, in the processor's idle moments.
    nice -n 19 cmake --build "$build" --target benchmarks > "$build/benchmarks.log" 2>&1 &
    benchmarks_build=$!
    (cd "$sanitized" && ctest --output-on-failure --timeout 600 -j "$(nproc)") || status=$?
    if ! wait "$benchmarks_build"; then
        tail -n 60 "$build/benchmarks.log" >&2
        status=1
    fi
    for report in "$reports"/*; do
        [ -e "$report" ] || continue
        echo "=== $report" >&2
        cat "$report" >&2
        status=1
    done
    exit "$status"
    ;;
*)
    echo "uso: $0 run|test|install [CARTELLA]" >&2
    exit 2
    ;;
esac
