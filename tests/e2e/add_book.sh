#!/bin/sh
# "Gestione", a new book typed into the new-row line, "Esci"; the book is in the file.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle');"
start_program

keys alt+g Return              # "Gestione"
keys ctrl+End ctrl+End Home Right   # the new-row line, column autore
type_text "Italo Calvino"
keys Tab
type_text "Le città invisibili"
keys Tab
type_text "Romanzo"            # still being typed when the program is told to end
keys alt+g Down Return         # "Esci"
wait_for_end

rows=$(sqlite3 -separator '|' "$folder/dorvi.mdb" "select * from dorvi order by iddorvo")
expected='1|Dante Alighieri|La Divina Commedia|Poema
2|Giovanni Boccaccio|Decameron|Novelle
3|Italo Calvino|Le città invisibili|Romanzo'
[ "$rows" = "$expected" ] || fail "the file holds: $rows"
[ "$(sqlite3 "$folder/dorvi.mdb" 'pragma integrity_check')" = ok ] || fail "integrity check"
echo "PASS"
