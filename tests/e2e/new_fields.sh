#!/bin/sh
# A new user's own fields: "Gestione", then Strumenti › "Campi…": ticks the
# standard fields "collocazione" and "isbn", adds a text field of their own,
# "dedica", and closes. The grid lists the new columns; an ISBN-10 typed with
# hyphens shows (and copies) as its ISBN-13; the CSV export carries every value.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Italo Calvino', 'Le città invisibili', 'Romanzo'),
    ('Giacomo Leopardi', 'Canti', 'Poesia');"
export HOME="$folder/home"
mkdir -p "$HOME/Documents"
start_program

keys alt+g Return                       # "Gestione"

# Step 1: the dialog of the fields.
keys alt+s m                            # Strumenti, "Ca&mpi…"
timeout 10 xdotool search --sync --name '^Campi$' >/dev/null || fail "the dialog Campi did not appear"
sleep 0.5
# The standard fields to add, in their order: anno, editore, isbn, collana, numero,
# lingua, pagine, collocazione, …; a tick adds one, and the list loses it.
keys alt+s Home Down Down Down Down Down Down Down space   # collocazione
[ "$(sqlite3 "$folder/dorvi.mdb" "select count(*) from pragma_table_info('dorvi') where name = 'collocazione'")" = 1 ] ||
    fail "collocazione was not added: $(sqlite3 "$folder/dorvi.mdb" "select group_concat(name) from pragma_table_info('dorvi')")"
keys alt+s Home Down Down space         # isbn
keys alt+n
type_text dedica
keys alt+t Home                         # Tipo: testo
keys alt+a                              # Aggiungi
columns=$(sqlite3 "$folder/dorvi.mdb" "select group_concat(name || ' ' || type, ', ') from pragma_table_info('dorvi')")
[ "$columns" = "iddorvo INTEGER, autore TEXT, titolo TEXT, genere TEXT, collocazione TEXT, isbn TEXT, dedica TEXT" ] ||
    fail "the table's columns: $columns"
keys alt+h                              # Chiudi: the grid lists the new columns
sleep 0.5
refocus

# Step 2: an ISBN-10 with hyphens, into the first book's isbn (the sixth column).
keys ctrl+Home Right Right Right Right Right
type_text "88-04-12345-1"
keys Return Up
xclip -selection clipboard -i /dev/null
keys ctrl+c
sleep 0.3
shown=$(xclip -selection clipboard -o)
[ "$shown" = "9788804123453" ] || fail "the isbn cell shows: $shown"
keys Right
type_text "per Anna"
keys Return Up Left Left
type_text "studio, scaffale 2"
keys Return
stored=$(file_holds "9788804123453|per Anna|studio, scaffale 2" -separator '|' "$folder/dorvi.mdb" \
    "select isbn, dedica, collocazione from dorvi where iddorvo = 1") || fail "the file holds: $stored"

# Step 3: the CSV export carries the new fields and their values.
keys alt+s c                            # "Esporta per foglio di &calcolo…"
timeout 10 xdotool search --sync --name '^Esporta per foglio di calcolo$' >/dev/null ||
    fail "the file dialog did not appear"
sleep 0.5
keys ctrl+a
type_text campi
keys Return
for _ in $(seq 100); do
    [ -f "$HOME/Documents/campi.csv" ] && break
    sleep 0.1
done
csv="$HOME/Documents/campi.csv"
[ -f "$csv" ] || fail "no CSV export"
head -n 1 "$csv" | grep -q 'iddorvo;autore;titolo;genere;collocazione;isbn;dedica' || fail "the heading: $(head -n 1 "$csv")"
grep -q '^1;Italo Calvino;Le città invisibili;Romanzo;"studio, scaffale 2";9788804123453;per Anna' "$csv" ||
    grep -q '^1;Italo Calvino;Le città invisibili;Romanzo;studio, scaffale 2;9788804123453;per Anna' "$csv" ||
    fail "the CSV holds: $(cat "$csv")"

refocus
keys alt+g Down Return                  # "Esci"
wait_for_end
echo "PASS"
