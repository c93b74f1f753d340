#!/bin/sh
# A book rated with stars in the grid, another in the book card, each by one key:
# the file holds the ratings as numbers, and the CSV export carries them.
. "$(dirname "$0")/lib.sh"

make_catalogue "ALTER TABLE dorvi ADD COLUMN letto INTEGER; ALTER TABLE dorvi ADD COLUMN voto INTEGER;
    ALTER TABLE dorvi ADD COLUMN note TEXT; ALTER TABLE dorvi ADD COLUMN aggiunto_il TEXT;
    INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle'),
    ('Francesco Petrarca', 'Canzoniere', 'Poesia');"
export HOME="$folder/home"
mkdir -p "$HOME/Documents"
start_program

rating() { sqlite3 "$folder/dorvi.mdb" "select coalesce(voto, 'nessuno') from dorvi where iddorvo = $1"; }

keys alt+g g                   # "Gestione": the cursor on the first book's iddorvo
keys Right Right Right Right Right
type_text "4"                  # in column voto: four stars, no editor
[ "$(rating 1)" = 4 ] || fail "the grid's rating left voto at $(rating 1)"

keys Down ctrl+i               # the card of the second book, in its first field (autore)
timeout 10 xdotool search --sync --name '^Scheda del libro$' >/dev/null || fail "the card did not open"
sleep 0.3
keys Tab Tab Tab Tab           # titolo, genere, letto, voto
type_text "2"
[ "$(rating 2)" = 2 ] || fail "the card's rating left voto at $(rating 2)"
keys Escape                    # the card closes; the keyboard is back in the grid
refocus

keys alt+s c                   # Strumenti, "Esporta per foglio di &calcolo…"
timeout 10 xdotool search --sync --name '^Esporta per foglio di calcolo$' >/dev/null ||
    fail "the file dialog did not appear"
sleep 0.5
keys Return
csv="$HOME/Documents/catalogo.csv"
for _ in $(seq 100); do
    [ -f "$csv" ] && break
    sleep 0.1
done
[ -f "$csv" ] || fail "no CSV file"
printf '\357\273\277iddorvo;autore;titolo;genere;letto;voto;note;aggiunto_il\r\n1;Dante Alighieri;La Divina Commedia;Poema;;4;;\r\n2;Giovanni Boccaccio;Decameron;Novelle;;2;;\r\n3;Francesco Petrarca;Canzoniere;Poesia;;;;\r\n' >"$folder/expected.csv"
cmp "$folder/expected.csv" "$csv" || fail "the CSV holds: $(cat "$csv")"
[ "$(sqlite3 "$folder/dorvi.mdb" "select typeof(voto) from dorvi where iddorvo = 1")" = integer ] ||
    fail "the rating is not stored as a number"

refocus
keys ctrl+q
wait_for_end
echo "PASS"
