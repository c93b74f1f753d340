#!/bin/sh
# A new user deletes every book, closes the program and opens it again: Strumenti
# → "Copie di sicurezza…", "Ripristina", "Sì" bring them all back, by keyboard.
# The copies are plain catalogues: the sqlite3 shell opens each and finds it intact.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (iddorvo, autore, titolo, genere) VALUES
    (1, 'Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    (2, 'Gabriele D''Annunzio', 'Il piacere', NULL),
    (4, 'Italo Calvino', 'Le città invisibili', ''),
    (8, 'Luigi Pirandello', 'Il fu Mattia Pascal', 'Romanzo');"
books() { sqlite3 "$folder/dorvi.mdb" "select iddorvo, quote(autore), quote(titolo), quote(genere) from dorvi order by iddorvo"; }
# A copy's name: its date and time, then why it was made when made before a change.
copies() {
    ls "$folder/copie" 2>/dev/null |
        grep -c '^dorvi-[0-9]\{8\}-[0-9]\{6\}\(-[a-z]\{1,\}\(-[A-Za-z0-9._%-]\{1,\}\)\{0,1\}\)\{0,1\}\.mdb$' || true
}
before=$(books)

start_program
# The day's copy is made in the background as the program starts.
for _ in $(seq 100); do [ "$(copies)" = 1 ] && break; sleep 0.1; done
[ "$(copies)" = 1 ] || fail "no copy of the day after the start: $(ls -a "$folder/copie" 2>&1)"

keys alt+g Return                  # "Gestione"
keys ctrl+a Delete
keys shift+Tab space               # "Sì"
refocus
[ -z "$(books)" ] || fail "the books were not deleted: $(books)"
keys ctrl+q
wait_for_end
[ -s "$folder/stderr" ] && fail "the program printed: $(cat "$folder/stderr")"

rm -rf "$folder/runtime"
start_program
keys alt+s s                       # 1: Strumenti → "Copie di sicurezza…"
timeout 10 xdotool search --sync --name '^Copie di sicurezza$' >/dev/null || fail "the dialog did not open"
keys alt+r                         # 2: "Ripristina" the newest copy
timeout 10 xdotool search --sync --name '^Ripristina una copia$' >/dev/null || fail "no question"
keys shift+Tab space               # 3: "Sì"
refocus
[ "$(books)" = "$before" ] || fail "after the restore the file holds: $(books)"
keys ctrl+a ctrl+c
shown=$(xclip -o -selection clipboard | cut -f1 | tr '\n' ' ')
[ "$shown" = "iddorvo 1 2 4 8 " ] || fail "after the restore the grid shows $shown"

[ "$(copies)" = 2 ] || fail "expected the day's copy and the copy made before the restore: $(ls "$folder/copie")"
for copy in "$folder"/copie/dorvi-*.mdb; do
    [ "$(sqlite3 "$copy" 'PRAGMA integrity_check')" = ok ] || fail "$copy is not intact"
done
newest=$(ls "$folder"/copie/dorvi-*.mdb | sort | tail -n 1)
[ "$(sqlite3 "$newest" 'select count(*) from dorvi')" = 0 ] || fail "the copy before the restore is not the emptied catalogue"
case "$newest" in
*-ripristino-[0-9]*.mdb) ;;
*) fail "the copy before the restore does not say so: $newest" ;;
esac

keys ctrl+q
wait_for_end
echo "PASS"
