#!/bin/sh
# "Visualizza tutto", Ctrl+F, part of an author typed in capitals without its
# accent; Return takes the keyboard to the grid, Ctrl+A and Ctrl+C copy the rows on
# show; the clipboard holds the two books by Machiavelli. Then in "Gestione", Ctrl+F
# and a name typed while the program cannot answer: the name filters, and the file
# is unchanged.
. "$(dirname "$0")/lib.sh"

make_catalogue "INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Niccolò Machiavelli', 'Il principe', 'Saggistica'),
    ('Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    ('Niccolò Machiavelli', 'La mandragola', 'Teatro'),
    ('Luigi Pirandello', 'Il fu Mattia Pascal', 'Romanzo');"
before=$(sqlite3 "$folder/dorvi.mdb" "select * from dorvi order by iddorvo")
start_program

keys alt+i Down Down Down Return   # "Visualizza tutto"
keys ctrl+f
type_text "NICCOLO MACHIAV"
keys Return
keys ctrl+a ctrl+c
copied=$(xclip -o -selection clipboard)
expected=$(printf 'iddorvo\tautore\ttitolo\tgenere\n1\tNiccolò Machiavelli\tIl principe\tSaggistica\n3\tNiccolò Machiavelli\tLa mandragola\tTeatro')
[ "$copied" = "$expected" ] || fail "clipboard held: $copied"

keys ctrl+f
keys Escape                        # the filter cleared: every book again
keys ctrl+a ctrl+c
[ "$(xclip -o -selection clipboard | wc -l)" -eq 5 ] || fail "after Esc the clipboard held: $(xclip -o -selection clipboard)"

# Keys typed while the window is busy wait in the queue: stopped, the program
# answers none of them until it goes on, then finds them all at once.
keys alt+g Return                  # "Gestione"
keys Down Right Right              # book 2's title
kill -STOP "$pid"
xdotool key --clearmodifiers ctrl+f
xdotool type --delay 30 "pirandello"
xdotool key Return
kill -CONT "$pid"
sleep 1
keys ctrl+a ctrl+c                 # the rows found, with the keyboard back on them
copied=$(xclip -o -selection clipboard)
expected=$(printf 'iddorvo\tautore\ttitolo\tgenere\n4\tLuigi Pirandello\tIl fu Mattia Pascal\tRomanzo')
[ "$copied" = "$expected" ] || fail "after keys queued behind Ctrl+F the clipboard held: $copied"

keys alt+g Down Return             # "Esci"
wait_for_end
[ "$(sqlite3 "$folder/dorvi.mdb" "select * from dorvi order by iddorvo")" = "$before" ] || fail "the file changed"
echo "PASS"
