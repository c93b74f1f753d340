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
        } else if (argument.rfind("--codepage=", 0) == 0) {
            line.codePage = argument.substr(std::string("--codepage=").size());
        } else {
            usageError("Opzione sconosciuta: " + quoted(argument) + ".");
        }
    }
    if (line.help)
        return line;
    if (files.empty())
        usageError("Manca il catalogo di Access da convertire.");
    if (files.size() > 2)
        usageError("Troppi argomenti: al più il catalogo da convertire e il file da scrivere.");
    checkCodePage(line.codePage);
    line.source = files[0];
    if (files.size() == 2)
        line.target = files[1];
    return line;
}

std::string usageLine()
{
    return "Uso: dorvi-import [--force] [--codepage CODICE] ORIGINE.mdb [DESTINAZIONE]";
}

std::string helpText()
{
    return usageLine() + "\n"
        "\n"
        "Converte una volta un vecchio catalogo di Access (file Jet 3 o Jet 4, Access 97-2003)\n"
        "nel catalogo di Gestione Dorvi. Il file di origine viene solo letto.\n"
        "\n"
        "DESTINAZIONE è il nuovo catalogo; se manca, è dorvi.mdb nella cartella del programma.\n"
        "Il catalogo viene scritto in un file temporaneo e prende il posto della destinazione\n"
        "solo a conversione finita: se la conversione fallisce non resta nulla a metà.\n"
        "Una destinazione che esiste già non viene sostituita, salvo con --force. Se la\n"
        "destinazione è il file stesso da convertire, il nuovo catalogo ne prende il posto e\n"
        "l'originale resta accanto con il nome DESTINAZIONE.jet.\n"
        "\n"
        "Opzioni:\n"
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
        "Codici di uscita:\n"
        "  0  conversione completa\n"
        "  1  conversione incompleta: righe o valori non letti per intero da un file danneggiato\n"
        "     (il catalogo non viene scritto), oppure valori scritti in un'altra forma, ad esempio\n"
        "     una data fuori dagli anni 100-9999 (il catalogo viene scritto). Sono tutti elencati.\n"
        "  2  uso sbagliato del comando\n"
        "  3  origine illeggibile: mancante, non un catalogo di Access, o danneggiata\n"
        "  4  destinazione già esistente o non scrivibile\n";
}

} // namespace jetimport
