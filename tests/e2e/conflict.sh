#!/bin/sh
# Another program changes a book while it is shown. F2 on its title, a new title,
# Return: the change is refused and said so, and the editor opens again holding
# what was typed, so a second Return writes it over the row as the file now holds it.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle'),
    ('Francesco Petrarca', 'Canzoniere', 'Poesia'),
    ('Italo Svevo', 'Senilità', 'Romanzo');"
start_program

keys alt+g g                   # "&Gestione"
sqlite3 "$folder/dorvi.mdb" "UPDATE dorvi SET titolo='Una vita', genere='Romanzo breve' WHERE iddorvo=4"
keys ctrl+Home Down Down Down Right Right
keys F2 ctrl+a
type_text "La coscienza di Zeno"
keys Return
timeout 10 xdotool search --sync --name '^Errore di run-time$' >/dev/null || fail "no message of the conflict"
keys Return                    # OK
refocus
keys Return                    # the editor holds the title typed: written now
keys ctrl+q
wait_for_end

row=$(sqlite3 -separator '|' "$folder/dorvi.mdb" "select * from dorvi where iddorvo=4")
[ "$row" = "4|Italo Svevo|La coscienza di Zeno|Romanzo breve" ] || fail "the file holds: $row"
echo "PASS"
