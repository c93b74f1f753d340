#!/bin/sh
# A damaged catalogue at start: reported with its path as a command reports it,
# then the newest copy that passes the check is offered (a newer, damaged copy is
# passed over); the damaged file is kept as dorvi.mdb.danneggiato, byte for byte,
# and the program lists the books of the copy.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (iddorvo, autore, titolo, genere) VALUES
    (3, 'Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    (5, 'Grazia Deledda', 'Canne al vento', 'Romanzo'),
    (9, 'Italo Svevo', 'La coscienza di Zeno', 'Romanzo');"
mkdir "$folder/copie"
sqlite3 "$folder/dorvi.mdb" ".backup '$folder/copie/dorvi-20260105-093000.mdb'"
printf 'non è un catalogo' >"$folder/copie/dorvi-20260106-093000.mdb"
printf 'dati rovinati da un disco che si guasta' | dd of="$folder/dorvi.mdb" conv=notrunc status=none
cp "$folder/dorvi.mdb" "$folder/damaged"

box() {
    found=$(timeout 10 xdotool search --sync --name "^$1\$" | head -n 1) || fail "no box \"$1\""
    xdotool windowfocus --sync "$found"
    sleep 0.3
}

start_program
box "Errore di run-time"
keys Return
box "Catalogo danneggiato"
keys shift+Tab space               # "Sì"
box "Catalogo ripristinato"
keys Return
refocus

cmp -s "$folder/damaged" "$folder/dorvi.mdb.danneggiato" || fail "the damaged file was not kept as it was"
[ "$(sqlite3 "$folder/dorvi.mdb" 'PRAGMA integrity_check')" = ok ] || fail "the restored catalogue is not intact"
[ "$(sqlite3 "$folder/dorvi.mdb" 'select group_concat(iddorvo) from dorvi')" = "3,5,9" ] ||
    fail "the restored catalogue holds $(sqlite3 "$folder/dorvi.mdb" 'select group_concat(iddorvo) from dorvi')"

keys alt+i v                       # "Visualizza tutto"
keys ctrl+a ctrl+c
shown=$(xclip -o -selection clipboard | cut -f1 | tr '\n' ' ')
[ "$shown" = "iddorvo 3 5 9 " ] || fail "the grid shows $shown"

keys ctrl+q
wait_for_end
echo "PASS"
