#!/bin/sh
# Alt+I, "Dorvi autore", an author with an apostrophe; then Ctrl+A, Ctrl+C and the
# grid read back from the clipboard.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    ('Gabriele D''Annunzio', 'Il piacere', 'Romanzo'),
    ('Luigi Pirandello', 'Il fu Mattia Pascal', 'Romanzo'),
    ('Gabriele D''Annunzio', 'Alcyone', 'Poesia');"
start_program

keys alt+i Return              # the menu opens on its first item, "Dorvi autore"
type_text "gabriele d'annunzio"
keys Return
keys ctrl+a ctrl+c
copied=$(xclip -o -selection clipboard)
expected=$(printf 'iddorvo\tautore\ttitolo\tgenere\n2\tGabriele D'"'"'Annunzio\tIl piacere\tRomanzo\n4\tGabriele D'"'"'Annunzio\tAlcyone\tPoesia')
[ "$copied" = "$expected" ] || fail "clipboard held: $copied"

refocus                        # no window manager hands focus back after a dialog
keys alt+g Down Return         # "Esci"
wait_for_end
echo "PASS"
