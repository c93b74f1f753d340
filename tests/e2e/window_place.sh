#!/bin/sh
# The window's size and place at the next start: moved and resized, closed with
# Ctrl+Q, it opens again where it was; with nothing kept it opens at its design
# size, and a place kept on a screen no longer there is not restored.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES ('Italo Calvino', 'Le città invisibili', 'Romanzo');"

# geometry: the window's place and size as the X server has them, "X Y W H".
geometry() {
    xdotool getwindowgeometry --shell "$window" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ { printf "%s ", $2 }' |
        sed 's/ $//'
}

start_again() {
    XDG_RUNTIME_DIR="$folder/runtime" XDG_CONFIG_HOME="$folder/config" program_environment "$folder/dorvi" \
        2>>"$folder/stderr" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name '^Gestione Dorvi$' | head -n 1) ||
        fail "the window did not appear again"
    sleep 0.5
}

start_program
set -- $(geometry)
[ "$3" = 704 ] || fail "with nothing kept the window is not at its design width: $(geometry)"

xdotool windowsize --sync "$window" 900 600
xdotool windowmove --sync "$window" 60 40
sleep 0.5
refocus
keys ctrl+q
wait_for_end
grep -q 'posizione' "$folder/config/Dorvi/Gestione Dorvi.conf" || fail "nothing was kept"

start_again
[ "$(geometry)" = "60 40 900 600" ] || fail "the window opened at $(geometry), not 60 40 900 600"
refocus
keys ctrl+q
wait_for_end

# A second screen since removed: the place it had there is not restored.
sed -i 's/^posizione=.*/posizione=@Rect(5000 4000 900 600)/' "$folder/config/Dorvi/Gestione Dorvi.conf"
start_again
set -- $(geometry)
[ "$1" -lt 1024 ] && [ "$2" -lt 768 ] || fail "the window opened off the screen: $(geometry)"
refocus
keys ctrl+q
wait_for_end
echo "PASS"
