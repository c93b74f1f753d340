#!/bin/sh
# A new user lends three books to Marta from "Gestione" (the catalogue gets its two
# loan columns on the way), sees them in "Libri in prestito" and gives one back.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle'),
    ('Francesco Petrarca', 'Canzoniere', 'Poesia'),
    ('Italo Svevo', 'Senilità', 'Romanzo');"
start_program
db="$folder/dorvi.mdb"

keys alt+g g                   # "&Gestione": the cursor on the first book
keys shift+Down shift+Down     # the first three books
keys alt+s e                   # Strumenti, "Pr&esta…"
timeout 10 xdotool search --sync --name '^Presta$' >/dev/null || fail "the loan dialog did not appear"
sleep 0.5
type_text "Marta"
keys Return
today=$(date +%F)
lent=$(file_holds "1Marta$today 2Marta$today 3Marta$today" "$db" \
    "select group_concat(iddorvo || prestato_a || prestato_il, ' ') from dorvi where prestato_a is not null") ||
    fail "the file holds the loans: $lent"

refocus
keys alt+s l                   # Strumenti, "&Libri in prestito"
keys ctrl+a ctrl+c
shown=$(xclip -o -selection clipboard | cut -f3 | tr '\n' '|')
[ "$shown" = "titolo|La Divina Commedia|Decameron|Canzoniere|" ] || fail "Libri in prestito shows $shown"

keys Down                      # the second book alone
keys alt+s u                   # Strumenti, "Restit&uito"
lent=$(file_holds "1 3" "$db" "select group_concat(iddorvo, ' ') from dorvi where prestato_a is not null") ||
    fail "after the return the books out are $lent"
history=$(file_holds "1Marta1 2Marta0 3Marta1" "$db" "select group_concat(iddorvo || a || (al is null), ' ') from prestiti") ||
    fail "prestiti holds $history"

keys ctrl+q
wait_for_end
echo "PASS"
