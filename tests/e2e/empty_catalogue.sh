#!/bin/sh
# An empty catalogue: "Gestione" says nothing was found, and the first book is then
# typed straight into the new-row line, which the keyboard already stands on, in
# its first column the user can type into.
. "$(dirname "$0")/lib.sh"

make_catalogue ""
start_program

keys alt+g Return              # "Gestione"
keys Return                    # "Nessun record trovato"
refocus
type_text "Italo Calvino"
keys Tab
type_text "Il barone rampante"
keys Return
keys alt+g Down Return         # "Esci"
wait_for_end

rows=$(sqlite3 -separator '|' "$folder/dorvi.mdb" "select * from dorvi")
[ "$rows" = "1|Italo Calvino|Il barone rampante|" ] || fail "the file holds: $rows"
echo "PASS"
