// The arguments of dorvi-import read into what to do; anything unknown or missing
// is refused with the usage exit code.
#include "commandline.h"

#include "codepage.h"
#include "importerror.h"

#include <stdexcept>

namespace jetimport {

namespace {

[[noreturn]] void usageError(const std::string& message)
{
    throw ImportError(ExitCode::Usage, message + "\n" + usageLine());
}

void checkCodePage(const std::string& name)
{
    try {
        CodePage check(name);
    } catch (const std::invalid_argument&) {
        usageError("Codice di pagina sconosciuto: " + quoted(name) + " (ad esempio CP1252, CP1251, CP850).");
    }
}

void addFieldMap(CommandLine& line, const std::string& pair)
{
    const std::size_t equals = pair.find('=');
    if (equals == 0 || equals == std::string::npos || equals + 1 == pair.size())
        usageError("--campo vuole COLONNA=INTESTAZIONE, ad esempio --campo titolo=\"Titolo del libro\".");
    line.fieldMap.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    line.codePage = CodePage::defaultName;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help" || argument == "--aiuto") {
            line.help = true;
        } else if (argument == "--force") {
            line.force = true;
        } else if (argument == "--codepage") {
            if (++i == arguments.size())
                usageError("Manca il codice di pagina dopo --codepage.");
            line.codePage = arguments[i];
        } else if (argument == "--aggiungi") {
            line.add = true;
        } else if (argument == "--anche-doppioni") {
            line.keepDuplicates = true;
        } else if (argument == "--campo") {
            if (++i == arguments.size())
                usageError("Manca COLONNA=INTESTAZIONE dopo --campo.");
            addFieldMap(line, arguments[i]);
        } else if (argument.rfind("--campo=", 0) == 0) {
            addFieldMap(line, argument.substr(std::string("--campo=").size()));
        } else if (argument.rfind("--codepage=", 0) == 0) {
            line.codePage = argument.substr(std::string("--codepage=").size());
        } else {
            usageError("Opzione sconosciuta: " + quoted(argument) + ".");
        }
    }
    if (line.help)
        return line;
    if (files.empty())
        usageError("Manca il file da importare.");
    if (files.size() > 2)
        usageError("Troppi argomenti: al più il file da importare e il catalogo da scrivere.");
    checkCodePage(line.codePage);
    line.source = files[0];
    if (files.size() == 2)
        line.target = files[1];
    return line;
}

std::string usageLine()
{
    return "Uso: dorvi-import [--force] [--codepage CODICE] [--campo COLONNA=INTESTAZIONE]... [--anche-doppioni]\n"
           "                    ORIGINE [DESTINAZIONE]\n"
           "     dorvi-import --aggiungi [--campo COLONNA=INTESTAZIONE]... [--anche-doppioni] ORIGINE [CATALOGO]";
}

std::string helpText()
{
    return usageLine() + "\n"
        "\n"
        "Porta in Gestione Dorvi i libri di un altro elenco. Il file di origine viene solo letto;\n"
        "il suo tipo si riconosce dal contenuto:\n"
        "  - un file CSV o TSV con una riga d'intestazione (separatore , ; o tabulazione, UTF-8 o\n"
        "    Windows-1252), anche esportato da Gestione Dorvi: ogni colonna la cui intestazione è il\n"
        "    nome di un campo (maiuscole o minuscole) va in quel campo, le altre con --campo;\n"
        "  - l'esportazione della biblioteca di Goodreads (CSV) e quella di LibraryThing (TSV o CSV);\n"
        "  - una biblioteca di calibre: la cartella o il suo metadata.db, aperto in sola lettura;\n"
        "  - una raccolta di libri di Tellico (.tc o il suo XML) o di GCstar (.gcs);\n"
        "  - un elenco di ISBN, uno per riga (ISBN-10 o ISBN-13, trattini e spazi ammessi), solo con\n"
        "    --aggiungi: ogni ISBN si cerca nei cataloghi bibliografici (SBN, Open Library, Google\n"
        "    Books) e i libri trovati si aggiungono con la copertina; un ISBN non trovato o con la\n"
        "    cifra di controllo sbagliata è nominato nel resoconto e non aggiunto (codice di uscita 1);\n"
        "  - un vecchio catalogo di Access (.mdb, Jet 3 o Jet 4, Access 97-2003).\n"
        "Un foglio .ods o .xlsx va prima salvato come CSV dal foglio di calcolo.\n"
        "\n"
        "Senza --aggiungi scrive un catalogo nuovo, con tutti i campi standard.\n"
        "DESTINAZIONE è il nuovo catalogo; se manca, è dorvi.mdb nella cartella del programma.\n"
        "Il catalogo viene scritto in un file temporaneo e prende il posto della destinazione\n"
        "solo a conversione finita: se la conversione fallisce non resta nulla a metà.\n"
        "Una destinazione che esiste già non viene sostituita, salvo con --force. Se la\n"
        "destinazione è il file stesso da convertire, il nuovo catalogo ne prende il posto e\n"
        "l'originale resta accanto con il nome DESTINAZIONE.jet.\n"
        "\n"
        "Con --aggiungi i libri vanno nel catalogo esistente CATALOGO (se manca, dorvi.mdb nella\n"
        "cartella del programma): prima vi si aggiungono i campi standard che non ha, poi i libri,\n"
        "tutto in una sola transazione: se qualcosa va storto il catalogo resta com'era.\n"
        "\n"
        "Doppioni: un libro con lo stesso ISBN-13 di uno già nel catalogo o già importato, oppure,\n"
        "se uno dei due non ha l'ISBN, con lo stesso autore e titolo (senza badare a maiuscole,\n"
        "accenti, punteggiatura, spazi e articolo iniziale), non viene aggiunto; due ISBN diversi\n"
        "sono due edizioni. Il resoconto lo nomina con il libro a cui corrisponde.\n"
        "L'ISBN è scritto come ISBN-13; uno non valido resta com'è ed è nominato nel resoconto.\n"
        "Le date diventano AAAA-MM-GG.\n"
        "\n"
        "Opzioni:\n"
        "  --aggiungi         aggiunge i libri a un catalogo esistente\n"
        "  --campo COLONNA=INTESTAZIONE\n"
        "                     mette la colonna INTESTAZIONE del file CSV nel campo COLONNA\n"
        "                     (ripetibile), ad esempio --campo collocazione=Scaffale\n"
        "  --anche-doppioni   aggiunge anche i doppioni\n"
        "  --force            sostituisce una destinazione che esiste già\n"
        "  --codepage CODICE  codice di pagina dei testi di un file Jet 3 (Access 97 e precedenti),\n"
        "                     che il file non registra; predefinito CP1252 (Europa occidentale).\n"
        "                     Ad esempio CP1250, CP1251, CP1253. I file Jet 4 sono in Unicode.\n"
        "  -h, --help         mostra questo aiuto\n"
        "\n"
        "Ogni tabella viene copiata con le sue colonne nello stesso ordine e tutte le sue righe:\n"
        "  testo e memo                 TEXT (UTF-8)\n"
        "  byte, intero, intero lungo   INTEGER; la chiave primaria intera (o il contatore)\n"
        "                               diventa INTEGER PRIMARY KEY\n"
        "  valuta                       TEXT esatto con quattro decimali, ad esempio 6.2300\n"
        "  decimale                     TEXT esatto con i suoi decimali\n"
        "  precisione singola e doppia  REAL\n"
        "  data/ora                     testo ISO 8601 \"AAAA-MM-GG hh:mm:ss\" (colonna DATETIME)\n"
        "  sì/no                        INTEGER 0 o 1\n"
        "  oggetto OLE e binario        BLOB con i byte memorizzati\n"
        "  ID replica                   TEXT {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\n"
        "  valore mancante              NULL\n"
        "Nella tabella dorvi le colonne autore, titolo e genere hanno ciascuna un indice, come nel\n"
        "catalogo iniziale, e le ricerche di Gestione Dorvi le confrontano come faceva Access:\n"
        "maiuscole e minuscole uguali per ogni lettera, anche accentata (È = è), accenti distinti.\n"
        "\n"
        "Per ogni tabella stampa le righe lette e quelle scritte, e nomina tabella e colonna di\n"
        "ogni valore che ha dovuto cambiare.\n"
        "\n"
        "Per gli elenchi diversi da Access stampa i libri letti, aggiunti, saltati come doppioni,\n"
        "rifiutati e quelli con valori cambiati, con il campo e il motivo.\n"
        "\n"
        "Codici di uscita per gli elenchi diversi da Access:\n"
        "  0  tutti i libri aggiunti o saltati come doppioni\n"
        "  1  alcuni valori cambiati, righe rifiutate o colonne non importate (sono elencati)\n"
        "  2  niente è stato scritto: uso sbagliato del comando, origine illeggibile o catalogo\n"
        "     non scrivibile (il messaggio dice perché)\n"
        "\n"
        "Codici di uscita per Access:\n"
        "  0  conversione completa\n"
        "  1  conversione incompleta: righe o valori non letti per intero da un file danneggiato\n"
        "     (il catalogo non viene scritto), oppure valori scritti in un'altra forma, ad esempio\n"
        "     una data fuori dagli anni 100-9999 (il catalogo viene scritto). Sono tutti elencati.\n"
        "  2  uso sbagliato del comando\n"
        "  3  origine illeggibile: mancante, non un catalogo di Access, o danneggiata\n"
        "  4  destinazione già esistente o non scrivibile\n";
}

} // namespace jetimport
