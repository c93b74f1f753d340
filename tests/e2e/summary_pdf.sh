#!/bin/sh
# Strumenti › "Riepilogo", then "Salva PDF…": the PDF holds the counts by genere
# and says which fields the catalogue lacks, as pdftotext reads it.
. "$(dirname "$0")/lib.sh"
command -v pdftotext >/dev/null || { echo "SKIP: pdftotext is not installed"; exit 77; }

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Italo Svevo', 'Senilità', 'Romanzo'),
    ('Italo Svevo', 'La coscienza di Zeno', 'Romanzo');"
export HOME="$folder/home"
mkdir -p "$HOME/Documents"
start_program

keys alt+s o                   # Strumenti, "Riepil&ogo"
timeout 10 xdotool search --sync --name '^Riepilogo$' >/dev/null || fail "the summary did not appear"
sleep 0.5
keys alt+s                     # "&Salva PDF…"
timeout 10 xdotool search --sync --name '^Salva il riepilogo$' >/dev/null || fail "the file dialog did not appear"
sleep 0.5
keys Return                    # the name it proposes
pdf="$HOME/Documents/riepilogo.pdf"
for _ in $(seq 100); do [ -f "$pdf" ] && break; sleep 0.1; done
[ -f "$pdf" ] || fail "no PDF; the folder holds: $(ls -A "$HOME/Documents")"

text=$(pdftotext -layout "$pdf" -)
for line in "Riepilogo del catalogo" "Per genere" "Romanzo *2" "Poema *1" "Italo Svevo *2" \
            "Il catalogo non ha il campo «anno»" "Pagina 1 di 1"; do
    echo "$text" | grep -q "$line" || fail "the PDF lacks «$line»: $text"
done

keys Escape                    # "Chiudi"
refocus
keys ctrl+q
wait_for_end
echo "PASS"
