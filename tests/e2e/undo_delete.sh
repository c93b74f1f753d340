#!/bin/sh
# "Gestione", three books selected with Shift+Down and deleted with Canc and "Sì";
# Ctrl+Z puts them back in the file and in the grid with their own keys and values,
# Ctrl+Y takes them away again.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (iddorvo, autore, titolo, genere) VALUES
    (3, 'Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    (7, 'Gabriele D''Annunzio', 'Il piacere', NULL),
    (9, 'Italo Calvino', 'Le città invisibili', ''),
    (12, 'Luigi Pirandello', 'Il fu Mattia Pascal', 'Romanzo');"
before=$(sqlite3 "$folder/dorvi.mdb" "select iddorvo, quote(autore), quote(titolo), quote(genere) from dorvi order by iddorvo")
start_program

books() { sqlite3 "$folder/dorvi.mdb" "select group_concat(iddorvo) from (select iddorvo from dorvi order by iddorvo)"; }
shown() { keys ctrl+a ctrl+c; xclip -o -selection clipboard | cut -f1 | tr '\n' ' '; }

keys alt+g Return                  # "Gestione": the cursor on the first book
keys shift+Down shift+Down Delete
keys shift+Tab space               # "Sì" (the question's default is "No")
refocus                            # no window manager gives the window back its focus
[ "$(books)" = "12" ] || fail "after the deletion the file holds books $(books)"

keys ctrl+z
[ "$(sqlite3 "$folder/dorvi.mdb" "select iddorvo, quote(autore), quote(titolo), quote(genere) from dorvi order by iddorvo")" = "$before" ] ||
    fail "after Ctrl+Z the file holds books $(books)"
[ "$(shown)" = "iddorvo 3 7 9 12 " ] || fail "after Ctrl+Z the grid shows $(shown)"

keys ctrl+y
[ "$(books)" = "12" ] || fail "after Ctrl+Y the file holds books $(books)"
[ "$(shown)" = "iddorvo 12 " ] || fail "after Ctrl+Y the grid shows $(shown)"

keys ctrl+q
wait_for_end
echo "PASS"
