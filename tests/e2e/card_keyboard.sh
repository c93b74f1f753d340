#!/bin/sh
# The book card by the keyboard alone, where a value is refused: No to a wrong ISBN
# leaves the keyboard in the ISBN field holding the text; an impossible date keeps
# it in the date field, where Esc puts the field back and the card stays open; once
# the card is closed, Ctrl+I opens it again without a click.
. "$(dirname "$0")/lib.sh"

make_catalogue "ALTER TABLE dorvi ADD COLUMN isbn TEXT; ALTER TABLE dorvi ADD COLUMN prestato_il TEXT;
    INSERT INTO dorvi (autore, titolo, genere) VALUES ('Harper Lee', 'Il buio oltre la siepe', 'Romanzo');"
start_program

value() { sqlite3 "$folder/dorvi.mdb" "select coalesce($1, 'NULL') from dorvi where iddorvo = 1"; }
card_open() { xdotool search --onlyvisible --name '^Scheda del libro$' >/dev/null; }
wait_for() {
    timeout 10 xdotool search --sync --onlyvisible --name "$1" >/dev/null || fail "$2"
    sleep 0.3
}

keys alt+g g                   # "Gestione"
keys ctrl+i
wait_for '^Scheda del libro$' "the card did not open"
keys Tab Tab Tab               # autore, then titolo, genere, isbn
type_text "88-04-12345-2"      # a wrong check digit
keys Tab
wait_for '^ISBN non valido$' "no question about the check digit"
keys Return                    # No
keys End BackSpace
type_text "1"                  # put right in the ISBN field itself
keys Tab
[ "$(value isbn)" = 9788804123453 ] || fail "isbn holds $(value isbn)"
[ "$(value prestato_il)" = NULL ] || fail "prestato_il holds $(value prestato_il)"

type_text "31/2/2026"          # in prestato_il
keys Tab
wait_for '^Errore di run-time$' "no message for 31/2/2026"
keys Return
keys Escape                    # the date field put back; the card stays
card_open || fail "Esc in the refused date closed the card"
keys Escape                    # the card closes
sleep 0.3
card_open && fail "the second Esc left the card open"
[ "$(value prestato_il)" = NULL ] || fail "prestato_il holds $(value prestato_il)"

keys ctrl+i                    # no click first
wait_for '^Scheda del libro$' "Ctrl+I did not open the card again"
keys Escape
keys ctrl+q
wait_for_end
echo "PASS"
