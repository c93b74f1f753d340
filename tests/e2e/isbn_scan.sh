#!/bin/sh
# "Gestione", then Aggiungi da ISBN… by its keys (Ctrl+Shift+I), Scansione continua
# ticked (Alt+C), three ISBNs typed as a scanner types them, each with Enter,
# against the bibliographic services on loopback answering with replies recorded
# from the real ones: the file holds the three books and the one cover found;
# closing the dialog and one Ctrl+Z takes all three back, covers included.
. "$(dirname "$0")/lib.sh"

data=${DORVI_ISBN_TESTDATA:-$(dirname "$0")/../../../shared/testdata/isbn}
[ -d "$data" ] || { echo "SKIP: the recorded replies of the services are not in $data"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    ('Italo Calvino', 'Le città invisibili', NULL);"

python3 "$(dirname "$0")/../support/isbnservices.py" --data "$data" --log "$folder/requests" >"$folder/port" \
    2>"$folder/services" &
server=$!
trap 'kept=$?; kill "$server" 2>/dev/null || true; (exit $kept); cleanup' EXIT
for _ in $(seq 50); do [ -s "$folder/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$folder/port")
[ -n "$port" ] || fail "the services on loopback did not start: $(cat "$folder/services")"
for service in SBN OPENLIBRARY GOOGLEBOOKS COVERS; do
    export "DORVI_${service}_URL=http://127.0.0.1:$port"
done

books() { sqlite3 "$folder/dorvi.mdb" "select count(*) from dorvi"; }
covers() { sqlite3 "$folder/dorvi.mdb" "select count(*) from sqlite_schema where name = 'copertine'" |
           grep -q 1 && sqlite3 "$folder/dorvi.mdb" "select count(*) from copertine" || echo 0; }

start_program
keys alt+g Return                  # "Gestione"
keys ctrl+shift+i
dialog=$(timeout 10 xdotool search --sync --name '^Aggiungi da ISBN$' | head -n 1) ||
    fail "Aggiungi da ISBN did not open"
keys alt+c                         # Scansione continua; the field keeps the keyboard
for isbn in 9788806219185 9791254800003 9780734418227; do
    xdotool type --delay 20 "$isbn"
    xdotool key Return
done

# The services are asked at most once a second each: the three take some seconds.
for _ in $(seq 300); do [ "$(books)" = 5 ] && break; sleep 0.2; done
[ "$(books)" = 5 ] || fail "after the scan the file holds $(books) books, not 5; asked: $(cat "$folder/requests" 2>/dev/null)"
[ "$(sqlite3 "$folder/dorvi.mdb" "select group_concat(isbn, ' ') from (select isbn from dorvi where isbn is not null order by isbn)")" = \
  "9780734418227 9788806219185 9791254800003" ] || fail "the ISBNs written are not the three scanned"
[ "$(covers)" = 1 ] || fail "the file holds $(covers) covers, not 1"

keys Escape                        # nothing left to answer: the dialog closes at once
refocus
keys ctrl+z
[ "$(books)" = 2 ] || fail "after one Ctrl+Z the file holds $(books) books, not 2"
[ "$(covers)" = 0 ] || fail "after one Ctrl+Z the file holds $(covers) covers"

keys ctrl+q
wait_for_end
echo "PASS"
