#!/bin/sh
# `dorvi-import --aggiungi` of a list of five ISBNs against the bibliographic
# services on loopback (tests/support/isbnservices.py, answering with the real
# recorded replies of Open Library and Google Books): the books found are added
# with their values and cover, the ISBN no service knows and the one with a wrong
# check digit are named, and the exit status is 1. A second run adds nothing and
# asks no service for the books already held; a service that stays busy is named;
# a missing catalogue, or no --aggiungi, is refused before any service is asked.
set -eu

importer=$1
services="$(dirname "$0")/../support/isbnservices.py"
data=${DORVI_ISBN_TESTDATA:-}
for tool in python3 sqlite3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -n "$data" ] && [ -d "$data" ] ||
    { echo "SKIP: the recorded replies of the services are not in ${data:-DORVI_ISBN_TESTDATA}"; exit 77; }

folder=$(mktemp -d)
server=""
cleanup() {
    status=$?
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$folder"
    exit "$status"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_services ARGS…: the services on a free port, every DORVI_*_URL at them.
start_services() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    : >"$folder/log"
    # The last server's port must not be read for this one's.
    rm -f "$folder/port"
    python3 "$services" --data "$data" --log "$folder/log" "$@" >"$folder/port" 2>"$folder/services.err" &
    server=$!
    # Python starts slowly on a busy machine: up to 30 s.
    for _ in $(seq 300); do
        [ -s "$folder/port" ] && grep -q '^[0-9]*$' "$folder/port" && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    port=$(head -n 1 "$folder/port")
    [ -n "$port" ] || fail "the services did not start ($*): $(cat "$folder/services.err")"
    export DORVI_SBN_URL="http://127.0.0.1:$port/sbn" DORVI_OPENLIBRARY_URL="http://127.0.0.1:$port"
    export DORVI_GOOGLEBOOKS_URL="http://127.0.0.1:$port/books/v1" DORVI_COVERS_URL="http://127.0.0.1:$port"
}

# Settings of its own, so none of the user's options apply.
export XDG_CONFIG_HOME="$folder/config"
catalogue="$folder/dorvi.mdb"
sqlite3 "$catalogue" "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE,
    titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE);
    INSERT INTO dorvi (autore, titolo) VALUES ('Primo Levi', 'La tregua');"
printf '%s\n' '978-0-7344-1822-7' '' '  9788806219185  ' '978 0141 346830' '9780000000002' '978-88-06-21918-4' \
    >"$folder/isbn.txt"

start_services
status=0
"$importer" --aggiungi "$folder/isbn.txt" "$catalogue" >"$folder/out" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "exit status $status, not 1: $(cat "$folder/out")"

books=$(sqlite3 -separator '|' "$catalogue" "SELECT isbn, autore, titolo, editore, anno, typeof(anno), pagine, collana,
    numero, lingua, aggiunto_il = date('now', 'localtime') FROM dorvi WHERE isbn IS NOT NULL ORDER BY isbn")
# Each is added as its services answer, so in no fixed order.
expected="9780141346830|Rick Riordan|Percy Jackson and the Battle of the Labyrinth|Puffin|2013|integer|352|||inglese|1
9780734418227||Wundersmith|Lothian Children's Books||null|473|Nevermoor||inglese|1
9788806219185|Primo Levi|Il sistema periodico|Einaudi|2014|integer|612|Super ET|2|italiano|1"
[ "$books" = "$expected" ] || fail "books added:
$books
expected:
$expected"
[ "$(sqlite3 "$catalogue" "SELECT count(*) FROM dorvi")" = 4 ] || fail "not four books"
cover=$(sqlite3 "$catalogue" "SELECT d.isbn, c.tipo, c.fonte, hex(substr(c.immagine, 1, 4)) FROM copertine c
    JOIN dorvi d USING (iddorvo) ORDER BY d.iddorvo")
echo "$cover" | grep -qx '9780734418227|image/png|Open Library|89504E47' || fail "the cover of Wundersmith: $cover"

grep -q 'riga 5 (ISBN 9780000000002): non trovato' "$folder/out" || fail "the unknown ISBN not named: $(cat "$folder/out")"
grep -q 'riga 6 (ISBN 978-88-06-21918-4): .*cifra di controllo dovrebbe essere 5' "$folder/out" ||
    fail "the wrong check digit not named: $(cat "$folder/out")"
grep -q 'Libri letti: 5; aggiunti: 3; doppioni non aggiunti: 0; righe rifiutate: 2' "$folder/out" ||
    fail "the counts: $(cat "$folder/out")"
grep -q '21918-4' "$folder/log" && fail "the ISBN with a wrong check digit was asked for"
ls "$folder"/copie/*.mdb >/dev/null 2>&1 || fail "no safety copy"
grep -q 'User-Agent\|GestioneDorvi/' "$folder/log" || fail "the requests do not name the program"

# Again: every book found is already held, and none is asked for again.
start_services
status=0
"$importer" --aggiungi "$folder/isbn.txt" "$catalogue" >"$folder/out" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "second run: exit status $status"
grep -q 'doppioni non aggiunti: 3' "$folder/out" || fail "second run: $(cat "$folder/out")"
[ "$(sqlite3 "$catalogue" "SELECT count(*) FROM dorvi")" = 4 ] || fail "second run added books"
grep -q '9788806219185\|9780734418227' "$folder/log" && fail "a book already held was looked up again"

# A service that answers only 503 is named with its cause; nothing is added.
start_services --fail 9780451524935
printf '9780451524935\n' >"$folder/busy.txt"
status=0
"$importer" --aggiungi "$folder/busy.txt" "$catalogue" >"$folder/out" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "busy service: exit status $status"
grep -q 'riga 1 (ISBN 9780451524935): .*occupato' "$folder/out" || fail "busy service: $(cat "$folder/out")"
[ "$(sqlite3 "$catalogue" "SELECT count(*) FROM dorvi")" = 4 ] || fail "busy service: a book added"

# A catalogue that is not there: refused before any service is asked.
start_services
status=0
"$importer" --aggiungi "$folder/isbn.txt" "$folder/manca.mdb" >"$folder/out" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "missing catalogue: exit status $status"
grep -q 'Niente è stato scritto' "$folder/out" || fail "missing catalogue: $(cat "$folder/out")"
[ -s "$folder/log" ] && fail "a service was asked for a missing catalogue"
[ ! -e "$folder/manca.mdb" ] || fail "a catalogue was made"
# Without --aggiungi: a list of ISBNs makes no new catalogue, and says how it is used.
status=0
"$importer" "$folder/isbn.txt" "$folder/nuovo.mdb" >"$folder/out" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "without --aggiungi: exit status $status"
grep -q -- '--aggiungi' "$folder/out" || fail "without --aggiungi: $(cat "$folder/out")"
[ ! -e "$folder/nuovo.mdb" ] || fail "without --aggiungi: a catalogue was made"
[ -s "$folder/log" ] && fail "without --aggiungi: a service was asked"
echo "PASS"
