#!/bin/sh
# "Gestione", then Strumenti › "Esporta per foglio di calcolo…" twice: the file
# dialog is answered by keyboard, first taking the name it proposes in the
# documents folder, then a name typed in. Each file holds the rows on show, not the
# new-row line, as an Italian spreadsheet reads them.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Gabriele D''Annunzio', 'Il piacere', 'Romanzo'),
    ('Italo Calvino', 'Le città invisibili', 'Romanzo; fantastico'),
    ('Giacomo Leopardi', 'Canti' || char(10) || 'Operette morali', 'Poesia \"scelta\"');"
export HOME="$folder/home"
mkdir -p "$HOME/Documents"
start_program

expected="$folder/expected.csv"
printf '\357\273\277iddorvo;autore;titolo;genere\r\n1;Gabriele D'"'"'Annunzio;Il piacere;Romanzo\r\n2;Italo Calvino;Le città invisibili;"Romanzo; fantastico"\r\n3;Giacomo Leopardi;"Canti\nOperette morali";"Poesia ""scelta"""\r\n' >"$expected"

# export_to [NAME]: the command from the menu, the dialog answered with NAME, or
# with the name it proposes.
export_to() {
    refocus
    keys alt+s c                   # Strumenti, "Esporta per foglio di &calcolo…"
    timeout 10 xdotool search --sync --name '^Esporta per foglio di calcolo$' >/dev/null ||
        fail "the file dialog did not appear"
    sleep 0.5
    if [ -n "${1:-}" ]; then
        keys ctrl+a
        type_text "$1"
    fi
    keys Return
}

# wait_for FILE: up to ten seconds for the export to put it in place.
wait_for() {
    for _ in $(seq 100); do
        [ -f "$1" ] && return 0
        sleep 0.1
    done
    fail "no file $1; the folder holds: $(ls -A "$(dirname "$1")")"
}

keys alt+g Return              # "Gestione": editable, with its new-row line
export_to
wait_for "$HOME/Documents/catalogo.csv"
cmp "$expected" "$HOME/Documents/catalogo.csv" || fail "catalogo.csv holds: $(od -c "$HOME/Documents/catalogo.csv" | head -20)"

export_to elenco               # the dialog adds the extension
wait_for "$HOME/Documents/elenco.csv"
cmp "$expected" "$HOME/Documents/elenco.csv" || fail "elenco.csv differs"
[ "$(ls -A "$HOME/Documents")" = "catalogo.csv
elenco.csv" ] || fail "the folder holds: $(ls -A "$HOME/Documents")"

refocus
keys alt+g Down Return         # "Esci"
wait_for_end
echo "PASS"
