#!/bin/sh
# A spreadsheet in English brought in through Strumenti › "Importa…": no heading
# is a field's name, so the fields are chosen in the dialog's lists by keyboard
# alone. Then a second list whose book has an ISBN where its twin already in the
# catalogue has none: the report names it as a duplicate and it is not added.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES ('Primo Levi', 'La tregua', 'Memorie');"
printf 'title;author;year\nIl barone rampante;Italo Calvino;1957\nIl sistema periodico;Primo Levi;1975\n' \
    >"$folder/english.csv"
printf 'autore;titolo;isbn\nITALO CALVINO;Il barone rampante.;9788804668305\nBeppe Fenoglio;Una questione privata;\n' \
    >"$folder/second.csv"

start_program
keys alt+g Return              # "Gestione"

wait_window() {
    for _ in $(seq $(($2 * 5))); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

# open_import FILE: Strumenti › Importa…, the file typed in the file dialog.
open_import() {
    refocus
    keys alt+s i
    wait_window "^Scegli l'elenco da importare\$" 10 || fail "the file dialog did not appear"
    sleep 0.5
    type_text "$1"
    keys Return
    wait_window '^Importa libri$' 20 || fail "the import dialog did not appear: $(cat "$folder/stderr")"
    sleep 0.5
}

# close_report: the report's text to the clipboard, then the report closed.
close_report() {
    wait_window '^Importazione$' 30 || fail "no report: $(cat "$folder/stderr")"
    report=$(xdotool search --onlyvisible --name '^Importazione$' | head -n 1)
    xdotool windowactivate --sync "$report" 2>/dev/null || true
    sleep 0.3
    keys shift+Tab ctrl+a ctrl+c
    xclip -o -selection clipboard >"$folder/report" 2>/dev/null || true
    for _ in $(seq 10); do
        report=$(xdotool search --onlyvisible --name '^Importazione$' 2>/dev/null | head -n 1) || break
        [ -n "$report" ] || break
        xdotool windowactivate --sync "$report" 2>/dev/null || true
        sleep 0.3
        keys Escape
    done
    ! wait_window '^Importazione$' 1 || fail "the report stays open"
}

open_import "$folder/english.csv"
# The keyboard is in the title's list; the lists go autore, titolo, genere, anno…
keys t                         # titolo: "title"
keys shift+Tab a               # autore: "author"
keys Tab Tab Tab y             # anno: "year"
keys alt+i                     # "&Importa"
close_report
[ "$(sqlite3 "$folder/dorvi.mdb" "SELECT autore || '|' || titolo || '|' || anno FROM dorvi WHERE iddorvo > 1 ORDER BY iddorvo" | tr '\n' '/')" = \
  "Italo Calvino|Il barone rampante|1957/Primo Levi|Il sistema periodico|1975/" ] ||
    fail "the first list gave: $(sqlite3 "$folder/dorvi.mdb" 'SELECT * FROM dorvi' | tr '\n' '/')"
grep -q -- "--campo" "$folder/report" && fail "the window's report speaks of --campo: $(cat "$folder/report")"

open_import "$folder/second.csv"
keys alt+i
close_report
grep -q "riga 2 («ITALO CALVINO», «Il barone rampante.»): doppione di «Italo Calvino», «Il barone rampante» (iddorvo 2): non aggiunto" \
    "$folder/report" || fail "the twin is not named: $(cat "$folder/report")"
[ "$(sqlite3 "$folder/dorvi.mdb" "SELECT count(*) FROM dorvi WHERE titolo LIKE 'Il barone rampante%'")" = 1 ] ||
    fail "the twin was added"
[ "$(sqlite3 "$folder/dorvi.mdb" "SELECT count(*) FROM dorvi WHERE titolo = 'Una questione privata'")" = 1 ] ||
    fail "the new book was not added: $(cat "$folder/report")"

refocus
keys ctrl+q
wait_for_end
echo "PASS"
