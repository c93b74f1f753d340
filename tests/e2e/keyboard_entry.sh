#!/bin/sh
# The keyboard alone: "Gestione" by its access letter, Ins to the new-row line, a
# book typed with Tab between cells and Enter to finish, "Visualizza tutto" by its
# access letter, and Ctrl+Q to end; the book is in the file.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle');"
start_program

keys alt+g g                   # "&Gestione"
keys Insert                    # the new-row line, in column autore: iddorvo is the catalogue's
type_text "Italo Calvino"
keys Tab
type_text "Il barone rampante"
keys Return                    # written; the cursor goes down to the new-row line
keys alt+i v                   # "&Visualizza tutto"
keys ctrl+q                    # "Esci"
wait_for_end

rows=$(sqlite3 -separator '|' "$folder/dorvi.mdb" "select * from dorvi order by iddorvo")
expected='1|Dante Alighieri|La Divina Commedia|Poema
2|Giovanni Boccaccio|Decameron|Novelle
3|Italo Calvino|Il barone rampante|'
[ "$rows" = "$expected" ] || fail "the file holds: $rows"
echo "PASS"
