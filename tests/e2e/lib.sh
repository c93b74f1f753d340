# Shared steps of the whole-program tests: the real `dorvi` binary, copied with a
# catalogue made for the test into a folder of its own, driven with xdotool on the
# X display that xvfb-run gives the test.
set -eu

program=$1
for tool in xdotool xclip sqlite3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

folder=$(mktemp -d)
pid=""
# A test that passed still fails when the program printed anything: every Qt
# warning is a fault the user never sees.
cleanup() {
    status=$?
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    if [ "$status" -eq 0 ] && [ -s "$folder/stderr" ]; then
        echo "FAIL: the program printed:" >&2
        cat "$folder/stderr" >&2
        status=1
    fi
    rm -rf "$folder"
    exit "$status"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# make_catalogue SQL: the table as the program's catalogues have it, plus SQL.
make_catalogue() {
    sqlite3 "$folder/dorvi.mdb" "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE,
        titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE); $1"
}

# The program runs on the X display xvfb-run made, whatever display the caller's
# environment names: a platform, a Wayland socket, an input method or a scale
# inherited from it would show the window elsewhere, or not at all, for xdotool.
program_environment() {
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORMTHEME -u QT_IM_MODULE -u QT_SCALE_FACTOR \
        -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_ENABLE_HIGHDPI_SCALING \
        QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11 "$@"
}

start_program() {
    cp "$program" "$folder/dorvi"
    # A runtime folder of its own, so Qt has nothing to warn about when run as root.
    mkdir -m 700 "$folder/runtime"
    # Settings of its own too, so none of the user's options apply.
    XDG_RUNTIME_DIR="$folder/runtime" XDG_CONFIG_HOME="$folder/config" program_environment "$folder/dorvi" \
        2>"$folder/stderr" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name '^Gestione Dorvi$' | head -n 1) ||
        fail "the window did not appear"
    xdotool windowfocus --sync "$window"
    sleep 0.3
}

refocus() {
    xdotool windowfocus --sync "$window"
    sleep 0.2
}

keys() {
    xdotool key --clearmodifiers --delay 60 "$@"
    sleep 0.4
}

# Types text through keys of the keyboard map in use, never a remapped one. A
# letter the map lacks (à, è… on the server's US map) would make xdotool remap a
# spare key for it and back, and a program busy at that moment reads the key
# after it was remapped back: the letter is lost ("Le citt invisibili"). So the
# plain start is typed, which opens the cell's editor, and the rest, from the
# first such letter on, is pasted into that editor from the clipboard.
type_text() {
    typed=$(printf '%s' "$1" | LC_ALL=C sed 's/[^ -~].*//')
    pasted=${1#"$typed"}
    [ -n "$typed" ] || [ -z "$pasted" ] ||
        fail "type_text \"$1\": it begins with a letter no key gives; open the editor (F2) and paste it"
    [ -z "$typed" ] || xdotool type --delay 30 "$typed"
    if [ -n "$pasted" ]; then
        sleep 0.2
        printf '%s' "$pasted" | xclip -selection clipboard -i
        xdotool key --clearmodifiers ctrl+v
    fi
    sleep 0.2
}

# Waits up to ten seconds for the program to end by itself, and cleanly.
wait_for_end() {
    for _ in $(seq 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            pid=""
            [ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$folder/stderr")"
            return 0
        fi
        sleep 0.1
    done
    fail "the program did not end"
}

# The shell waits for the program's lock, as any reader of the file would.
sqlite3() { command sqlite3 -cmd ".timeout 5000" "$@"; }

# The file as the program leaves it once it has caught up with the keys sent: the
# query (sqlite3's own arguments) is asked again until it answers `expected` or ten
# seconds pass, so a slow machine is not taken for a wrong write. Prints the last
# answer and fails when it never came.
file_holds() {
    expected=$1
    shift
    for _ in $(seq 100); do
        answer=$(sqlite3 "$@")
        [ "$answer" = "$expected" ] && return 0
        sleep 0.1
    done
    echo "$answer"
    return 1
}
