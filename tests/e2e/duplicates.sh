#!/bin/sh
# Duplicates: a Goodreads export added with `dorvi-import --aggiungi --anche-doppioni`
# brings in a book already there and one nearly the same; Strumenti › "Trova
# doppioni" lists them group by group; typing a title already in the catalogue is
# told at once below the grid, and F8 goes to the book it repeats.
. "$(dirname "$0")/lib.sh"
importer=$2

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Umberto Eco', 'Il nome della rosa', 'Romanzo'),
    ('Italo Calvino', 'Le città invisibili', 'Romanzo'),
    ('Primo Levi', 'La tregua', 'Memorie');"
cat >"$folder/goodreads.csv" <<'CSV'
Book Id,Title,Author,Author l-f,Additional Authors,ISBN,ISBN13,My Rating,Average Rating,Publisher,Binding,Number of Pages,Year Published,Original Publication Year,Date Read,Date Added,Bookshelves,Bookshelves with positions,Exclusive Shelf,My Review,Spoiler,Private Notes,Read Count,Owned Copies
1,Il nome della rosa,Umberto Eco,"Eco, Umberto",,="",="",4,4.1,Bompiani,Paperback,503,1980,1980,,2024/01/05,,,read,,,,1,0
2,La tregua.,Primo Levi,"Levi, Primo",,="",="",0,4.2,Einaudi,Paperback,260,1963,1963,,2024/01/06,,,to-read,,,,0,0
3,Se una notte d'inverno un viaggiatore,Italo Calvino,"Calvino, Italo",,="",="",5,4.0,Einaudi,Paperback,260,1979,1979,,2024/01/07,,,read,,,,1,0
CSV
"$importer" --aggiungi --anche-doppioni "$folder/goodreads.csv" "$folder/dorvi.mdb" >"$folder/import.txt" 2>&1 ||
    fail "the import failed: $(cat "$folder/import.txt")"
[ "$(sqlite3 "$folder/dorvi.mdb" 'select count(*) from dorvi')" = 6 ] || fail "the import added: $(cat "$folder/import.txt")"
start_program

keys alt+g g                   # "&Gestione"
keys alt+s n                   # Strumenti, "Trova doppio&ni"
keys ctrl+a ctrl+c
shown=$(xclip -o -selection clipboard | cut -f1,3 | tr '\t\n' ':|')
[ "$shown" = "iddorvo:titolo|1:Il nome della rosa|4:Il nome della rosa|3:La tregua|5:La tregua.|" ] ||
    fail "Trova doppioni shows $shown"

keys alt+g g                   # the whole catalogue again, editable
keys Insert                    # a new book
type_text "Italo Calvino"
keys Tab
type_text "Le citta invisibili"
keys Tab
type_text "Romanzo"
keys Return                    # written: the book is not held back
[ "$(sqlite3 "$folder/dorvi.mdb" 'select count(*) from dorvi')" = 7 ] || fail "the new book was not written"
keys Escape
keys F8                        # to the book it repeats
keys Home ctrl+c
[ "$(xclip -o -selection clipboard)" = 2 ] || fail "F8 went to $(xclip -o -selection clipboard)"

keys ctrl+q
wait_for_end
echo "PASS"
