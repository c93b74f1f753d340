-- The starter catalogue: a few dozen Italian classics. Text columns compare without
-- regard to case, as the old catalogue engine did, and each searched column has an
-- index in the column's own collation.
CREATE TABLE dorvi (
    iddorvo INTEGER PRIMARY KEY,
    autore TEXT COLLATE NOCASE,
    titolo TEXT COLLATE NOCASE,
    genere TEXT COLLATE NOCASE
);
CREATE INDEX dorvi_autore ON dorvi (autore);
CREATE INDEX dorvi_titolo ON dorvi (titolo);
CREATE INDEX dorvi_genere ON dorvi (genere);

INSERT INTO dorvi (autore, titolo, genere) VALUES
    ('Dante Alighieri', 'La Divina Commedia', 'Poema'),
    ('Francesco Petrarca', 'Canzoniere', 'Poesia'),
    ('Giovanni Boccaccio', 'Decameron', 'Novelle'),
    ('Ludovico Ariosto', 'Orlando furioso', 'Poema'),
    ('Torquato Tasso', 'Gerusalemme liberata', 'Poema'),
    ('Niccolò Machiavelli', 'Il Principe', 'Saggistica'),
    ('Carlo Goldoni', 'La locandiera', 'Teatro'),
    ('Ugo Foscolo', 'Ultime lettere di Jacopo Ortis', 'Romanzo epistolare'),
    ('Ugo Foscolo', 'Dei Sepolcri', 'Poesia'),
    ('Giacomo Leopardi', 'Canti', 'Poesia'),
    ('Giacomo Leopardi', 'Operette morali', 'Saggistica'),
    ('Alessandro Manzoni', 'I promessi sposi', 'Romanzo storico'),
    ('Carlo Collodi', 'Le avventure di Pinocchio', 'Letteratura per ragazzi'),
    ('Edmondo De Amicis', 'Cuore', 'Letteratura per ragazzi'),
    ('Giovanni Verga', 'I Malavoglia', 'Romanzo'),
    ('Giovanni Verga', 'Mastro-don Gesualdo', 'Romanzo'),
    ('Antonio Fogazzaro', 'Piccolo mondo antico', 'Romanzo'),
    ('Giovanni Pascoli', 'Myricae', 'Poesia'),
    ('Gabriele D''Annunzio', 'Il piacere', 'Romanzo'),
    ('Gabriele D''Annunzio', 'Alcyone', 'Poesia'),
    ('Grazia Deledda', 'Canne al vento', 'Romanzo'),
    ('Luigi Pirandello', 'Il fu Mattia Pascal', 'Romanzo'),
    ('Luigi Pirandello', 'Uno, nessuno e centomila', 'Romanzo'),
    ('Luigi Pirandello', 'Sei personaggi in cerca d''autore', 'Teatro'),
    ('Italo Svevo', 'La coscienza di Zeno', 'Romanzo'),
    ('Giuseppe Ungaretti', 'L''allegria', 'Poesia'),
    ('Eugenio Montale', 'Ossi di seppia', 'Poesia'),
    ('Salvatore Quasimodo', 'Ed è subito sera', 'Poesia'),
    ('Alberto Moravia', 'Gli indifferenti', 'Romanzo'),
    ('Ignazio Silone', 'Fontamara', 'Romanzo'),
    ('Carlo Levi', 'Cristo si è fermato a Eboli', 'Memorie'),
    ('Primo Levi', 'Se questo è un uomo', 'Memorie'),
    ('Primo Levi', 'La tregua', 'Memorie'),
    ('Cesare Pavese', 'La luna e i falò', 'Romanzo'),
    ('Dino Buzzati', 'Il deserto dei Tartari', 'Romanzo'),
    ('Giuseppe Tomasi di Lampedusa', 'Il Gattopardo', 'Romanzo storico'),
    ('Italo Calvino', 'Il barone rampante', 'Romanzo'),
    ('Italo Calvino', 'Le città invisibili', 'Romanzo'),
    ('Italo Calvino', 'Se una notte d''inverno un viaggiatore', 'Romanzo'),
    ('Giorgio Bassani', 'Il giardino dei Finzi-Contini', 'Romanzo'),
    ('Pier Paolo Pasolini', 'Ragazzi di vita', 'Romanzo'),
    ('Leonardo Sciascia', 'Il giorno della civetta', 'Giallo'),
    ('Natalia Ginzburg', 'Lessico famigliare', 'Romanzo'),
    ('Beppe Fenoglio', 'Il partigiano Johnny', 'Romanzo'),
    ('Elsa Morante', 'La Storia', 'Romanzo'),
    ('Umberto Eco', 'Il nome della rosa', 'Giallo');
