#!/bin/sh
# The grid's columns as the user sets them in Strumenti › "Campi…": "numero"
# unticked, "dedica" moved up after "genere", by keyboard alone. The program ends
# (Ctrl+Q) and starts again: its first listing, the copy of the whole grid with
# its headings and the CSV export show the columns so, from the first command.
. "$(dirname "$0")/lib.sh"

make_catalogue "ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN numero INTEGER;
    ALTER TABLE dorvi ADD COLUMN dedica TEXT;
    INSERT INTO dorvi (autore, titolo, genere, anno, numero, dedica) VALUES
    ('Italo Calvino', 'Le città invisibili', 'Romanzo', 1972, 7, 'per Anna'),
    ('Giacomo Leopardi', 'Canti', 'Poesia', 1835, 12, NULL);"
export HOME="$folder/home"
mkdir -p "$HOME/Documents"
conf="$folder/config/Dorvi/Gestione Dorvi.conf"
start_program

keys alt+g Return                       # "Gestione"
keys alt+s m                            # Strumenti, "Ca&mpi…"
timeout 10 xdotool search --sync --name '^Campi$' >/dev/null || fail "the dialog Campi did not appear"
sleep 0.5
# The list opens with the keyboard in it, in the grid's order: iddorvo, autore,
# titolo, genere, anno, numero, dedica.
keys Home Down Down Down Down Down space    # numero: unticked
keys End alt+u alt+u                    # dedica: Su, Su
keys alt+h                              # Chiudi
sleep 0.5
refocus
keys ctrl+q
wait_for_end
grep -q 'nascoste=numero' "$conf" || fail "the setting was not kept: $(cat "$conf" 2>/dev/null)"

# The second run, as the user starts it again.
rm -rf "$folder/runtime"
start_program
keys alt+g Return                       # "Gestione"
xclip -selection clipboard -i /dev/null
keys ctrl+a ctrl+c
sleep 0.3
headings=$(xclip -selection clipboard -o | head -n 1)
[ "$headings" = "$(printf 'iddorvo\tautore\ttitolo\tgenere\tdedica\tanno')" ] ||
    fail "the grid's columns after a new start: $headings"

keys alt+s c                            # "Esporta per foglio di &calcolo…"
timeout 10 xdotool search --sync --name '^Esporta per foglio di calcolo$' >/dev/null ||
    fail "the file dialog did not appear"
sleep 0.5
keys Return                             # the name it proposes: catalogo.csv
csv="$HOME/Documents/catalogo.csv"
for _ in $(seq 100); do
    [ -f "$csv" ] && break
    sleep 0.1
done
[ -f "$csv" ] || fail "no CSV export"
expected=$(printf '\357\273\277iddorvo;autore;titolo;genere;dedica;anno\r\n1;Italo Calvino;Le città invisibili;Romanzo;per Anna;1972\r\n2;Giacomo Leopardi;Canti;Poesia;;1835\r')
[ "$(cat "$csv")" = "$expected" ] || fail "the CSV holds: $(cat "$csv")"

refocus
keys ctrl+q
wait_for_end
echo "PASS"
