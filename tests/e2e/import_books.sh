#!/bin/sh
# A list of books brought into the catalogue in use, by `dorvi-import --aggiungi`
# and by Strumenti › "Importa…" in the window, for the source named second: a
# Goodreads export of 10,000 books in its published layout ("goodreads"), a
# library calibre itself makes ("calibre"), or a spreadsheet's CSV ("csv"). Each
# time every value is in place, a second import of the same file adds nothing,
# and in the window Annulla takes the whole import back.
. "$(dirname "$0")/lib.sh"
kind=$2
importer="$(dirname "$program")/dorvi-import"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Italo Calvino', 'Le città invisibili', 'Romanzo'),
    ('Primo Levi', 'La tregua', 'Memorie');"
cp "$folder/dorvi.mdb" "$folder/original.mdb"
source="$folder/source"
mkdir "$source"
expected="$folder/expected"

case "$kind" in
goodreads)
    # Goodreads' library export: its heading, ISBNs behind ="…", a note on two lines.
    file="$source/goodreads_library_export.csv"
    awk 'BEGIN {
        print "Book Id,Title,Author,Author l-f,Additional Authors,ISBN,ISBN13,My Rating,Average Rating," \
              "Publisher,Binding,Number of Pages,Year Published,Original Publication Year,Date Read,Date Added," \
              "Bookshelves,Bookshelves with positions,Exclusive Shelf,My Review,Spoiler,Private Notes,Read Count," \
              "Owned Copies"
        for (i = 1; i <= 10000; i++) {
            isbn = sprintf("978%09d", i); sum = 0
            for (d = 1; d <= 12; d++) sum += substr(isbn, d, 1) * (d % 2 ? 1 : 3)
            isbn = isbn (10 - sum % 10) % 10
            extra = i % 2 ? "Coautrice " i : ""
            rating = i % 6; shelf = i % 3 ? "read" : "to-read"
            note = i % 100 ? "" : "Prestato a Lucia,\nda riavere"
            printf "%d,\"Libro n. %d: l'\''età dell'\''oro\",Autore %d,\"%d, Autore\",%s,=\"\",=\"%s\",%d,3.9," \
                   "Editore %d,Paperback,%d,%d,1950,,2021/03/%02d,\"romanzo, storia\",,%s,,,\"%s\",1,0\n",
                   i, i, i, i, extra, isbn, rating, i % 50, 100 + i % 900, 1900 + i % 120, 1 + i % 28, shelf, note
            authors = "Autore " i (extra == "" ? "" : ", " extra)
            printf "Libro n. %d: l'\''età dell'\''oro|%s|%s|Editore %d|%d|%d|%s|%d|romanzo, storia|%s|2021-03-%02d\n",
                   i, authors, isbn, i % 50, 1900 + i % 120, 100 + i % 900, rating ? rating : "",
                   shelf == "read", note == "" ? "" : "Prestato a Lucia,\\nda riavere", 1 + i % 28 > "/dev/stderr"
        }
    }' >"$file" 2>"$expected"
    columns="titolo, autore, isbn, editore, anno, pagine, voto, letto, genere, replace(note, char(10), '\\n'), aggiunto_il"
    books=10000
    ;;
calibre)
    library="$source/Biblioteca"
    calibredb() { QT_QPA_PLATFORM=offscreen command calibredb --with-library "$library" "$@" >/dev/null 2>&1; }
    calibredb add --empty -t 'Il sistema periodico' -a 'Primo Levi & Italo Calvino' -i 9788806219185 ||
        fail "calibredb add"
    calibredb add --empty -t "L'Agnese va a morire" -a 'Renata Viganò' || fail "calibredb add"
    calibredb set_metadata 1 --field rating:4 --field tags:memorie,chimica \
        --field 'comments:<p>Ventuno racconti.</p><p>L&#39;argon &egrave; il primo.</p>' --field publisher:Einaudi \
        --field 'series:Super ET' --field series_index:2 --field pubdate:1975-05-01 --field languages:ita ||
        fail "calibredb set_metadata"
    file="$library/metadata.db"
    printf '%s\n' "Il sistema periodico|Primo Levi, Italo Calvino|9788806219185|Einaudi|1975|Super ET|2|ita|4|chimica, memorie|Ventuno racconti.\\n\\nL'argon è il primo." \
        "L'Agnese va a morire|Renata Viganò|||||||||" >"$expected"
    columns="titolo, autore, isbn, editore, anno, collana, numero, lingua, voto, genere, replace(note, char(10), '\\n')"
    books=2
    ;;
csv)
    # As a spreadsheet saves it: a byte order mark, semicolons, a field on two
    # lines, an ISBN-10 with its leading zero, headings in any case.
    file="$source/libri.csv"
    printf '\357\273\277Autore;TITOLO;isbn;anno;Note;collocazione\r\nNatalia Ginzburg;Lessico famigliare;0131103628;1963;"Premio Strega\r\nrilegato";Scaffale 2\r\nBeppe Fenoglio;"Una questione privata";;1963;;Scaffale 3\r\n' >"$file"
    printf '%s\n' "Natalia Ginzburg|Lessico famigliare|9780131103627|1963|Premio Strega\\nrilegato|Scaffale 2" \
        "Beppe Fenoglio|Una questione privata||1963||Scaffale 3" >"$expected"
    columns="autore, titolo, isbn, anno, replace(replace(note, char(13), ''), char(10), '\\n'), collocazione"
    books=2
    ;;
*) fail "unknown source $kind" ;;
esac

# check CATALOGUE: the books imported, in order, hold every value of the source.
check() {
    sqlite3 "$1" "SELECT $columns FROM dorvi WHERE iddorvo > 2 ORDER BY iddorvo" >"$folder/got"
    cmp -s "$expected" "$folder/got" || fail "$1 holds: $(diff "$expected" "$folder/got" | head -10)"
    [ "$(sqlite3 "$1" 'SELECT count(*) FROM dorvi')" -eq $((books + 2)) ] || fail "count in $1"
}

# The command line, into a copy of the catalogue in use.
cp "$folder/original.mdb" "$folder/cli.mdb"
"$importer" --aggiungi "$file" "$folder/cli.mdb" >"$folder/report" 2>&1 || fail "dorvi-import: $(cat "$folder/report")"
check "$folder/cli.mdb"
"$importer" --aggiungi "$file" "$folder/cli.mdb" >"$folder/report" 2>&1 || fail "again: $(cat "$folder/report")"
check "$folder/cli.mdb"

# The window, into the catalogue beside it.
start_program
keys alt+g Return              # "Gestione": Annulla is at hand

# wait_window NAME SECONDS: windows come and go meanwhile (the progress), which
# a search of xdotool's own may trip over; each look is a new one.
wait_window() {
    for _ in $(seq $(($2 * 5))); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

import_in_window() {
    refocus
    keys alt+s i               # Strumenti, "&Importa…"
    wait_window "^Scegli l'elenco da importare\$" 10 ||
        fail "the file dialog did not appear; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr "\n" "/")"
    sleep 0.5
    type_text "$file"
    keys Return
    wait_window '^Importa libri$' 20 || fail "the import dialog did not appear"
    sleep 0.5
    keys alt+i                 # "&Importa"
    wait_window '^Importazione$' 30 || fail "no report: $(cat "$folder/stderr")"
    # The report closes by Enter once it has the keyboard: given to it, and tried
    # again until it is gone.
    for _ in $(seq 10); do
        report=$(xdotool search --onlyvisible --name '^Importazione$' 2>/dev/null | head -n 1) || break
        [ -n "$report" ] || break
        xdotool windowactivate --sync "$report" 2>/dev/null || true
        sleep 0.3
        keys Return
    done
    ! wait_window '^Importazione$' 1 || fail "the report stays open"
}

import_in_window
check "$folder/dorvi.mdb"
import_in_window
check "$folder/dorvi.mdb"

refocus
keys ctrl+z                    # Annulla: the whole import, once
for _ in $(seq 100); do
    [ "$(sqlite3 "$folder/dorvi.mdb" 'SELECT count(*) FROM dorvi')" -eq 2 ] && break
    sleep 0.1
done
[ "$(sqlite3 "$folder/dorvi.mdb" 'SELECT iddorvo, autore, titolo, genere FROM dorvi')" = \
  "$(sqlite3 "$folder/original.mdb" 'SELECT iddorvo, autore, titolo, genere FROM dorvi')" ] ||
    fail "after Annulla: $(sqlite3 "$folder/dorvi.mdb" 'SELECT count(*) FROM dorvi') books"

refocus
keys alt+g Down Return         # "Esci"
wait_for_end
echo "PASS"
