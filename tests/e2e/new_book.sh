#!/bin/sh
# New books by the keyboard alone. The key the catalogue assigns takes no typing;
# Ins goes to the new-row line in column autore; a book typed with Tab between
# cells reaches the file only when it is left, as one insert, and is one step of
# Annulla; Esc, Esc drops a book unwritten; Ctrl+Q writes the book still typed.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle'),
    ('Francesco Petrarca', 'Canzoniere', 'Poesia');"
start_program

count() { sqlite3 "$folder/dorvi.mdb" 'select count(*) from dorvi'; }

keys alt+g g                   # "&Gestione": the cursor on the first book's iddorvo
type_text "99999"              # the catalogue's key: nothing changes
keys Insert                    # the new-row line, column autore
type_text "Dino Buzzati"
keys Tab
type_text "Il deserto dei Tartari"
keys Tab
[ "$(count)" = 3 ] || fail "a book half typed is already in the file"
type_text "Romanzo"
keys Return                    # its last cell: written, and the next book starts in autore

type_text "Italo Calvino"
keys Tab
type_text "Il bar"
keys Escape Escape             # the title, then the whole book
[ "$(count)" = 4 ] || fail "a book dropped with Esc, Esc was written"

type_text "Italo Svevo"
keys Tab
type_text "Senilità"
keys Tab
type_text "Romanzo"
keys Tab                       # out of its last cell: written
[ "$(sqlite3 "$folder/dorvi.mdb" "select titolo from dorvi where autore='Italo Svevo'")" = "Senilità" ] ||
    fail "Tab out of the last cell did not write the book"
keys Escape                    # the next book's cell, opened by Tab, left empty
keys ctrl+z                    # one Annulla takes the whole book back
[ "$(count)" = 4 ] || fail "one Annulla left $(count) books"
keys ctrl+y
keys Insert
type_text "Primo Levi"         # still being typed when the program is told to end
keys ctrl+q
wait_for_end

rows=$(sqlite3 -separator '|' "$folder/dorvi.mdb" "select * from dorvi order by iddorvo")
expected='1|Dante Alighieri|La Divina Commedia|Poema
2|Giovanni Boccaccio|Decameron|Novelle
3|Francesco Petrarca|Canzoniere|Poesia
4|Dino Buzzati|Il deserto dei Tartari|Romanzo
5|Italo Svevo|Senilità|Romanzo
6|Primo Levi||'
[ "$rows" = "$expected" ] || fail "the file holds: $rows"
echo "PASS"
