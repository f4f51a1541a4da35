#include "ui/italian_message.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace velmaro {

namespace {

// An English text and its Italian. In the English, "{}" stands for a part quoted as it is (a
// path, a number, a printer's own words) and "{t}" for a reason within the reason, translated
// in its turn; the Italian puts the parts where "{1}", "{2}", ... say, in the English order.
struct Phrase {
    std::string_view english;
    std::string_view italian;
};

// Every reason the window can show: loading the data, looking a student up, printing and
// saving a card; then the system's texts for the errors a file or a printer meets.
constexpr Phrase kPhrases[] = {
    // The data folder and where it was given.
    {"{t} (data folder {}, {t})", "{1} (cartella dei dati {2}, {3})"},
    {"given with --data-dir", "indicata con --data-dir"},
    {"given by VELMARO_DATA_DIR", "indicata da VELMARO_DATA_DIR"},
    {"given by DataDir in the settings file", "indicata da DataDir nel file delle impostazioni"},
    {"given by DataDir in {}", "indicata da DataDir in {1}"},
    {"chosen in the window", "scelta nella finestra"},
    {"the executable's folder; choose another with --data-dir, VELMARO_DATA_DIR or DataDir in "
     "the settings file",
     "la cartella del programma; per sceglierne un'altra usare --data-dir, VELMARO_DATA_DIR o "
     "DataDir nel file delle impostazioni"},
    {"the settings file cannot be read ({t}), so its DataDir cannot choose the data folder; give "
     "one with --data-dir or VELMARO_DATA_DIR",
     "il file delle impostazioni non si può leggere ({1}), quindi il suo DataDir non può "
     "scegliere la cartella dei dati; indicarne una con --data-dir o VELMARO_DATA_DIR"},
    {"the folder chosen is kept in the settings, but a start with --data-dir still takes the "
     "folder given there",
     "la cartella scelta è salvata nelle impostazioni, ma un avvio con --data-dir usa ancora la "
     "cartella indicata lì"},
    {"the folder chosen is kept in the settings, but while VELMARO_DATA_DIR is set, each start "
     "takes the folder it gives",
     "la cartella scelta è salvata nelle impostazioni, ma finché VELMARO_DATA_DIR è impostata, "
     "ogni avvio usa la cartella che indica"},
    {"is a folder", "è una cartella"},
    {"is a pipe, a socket or a device", "è una pipe, un socket o un dispositivo"},
    {"cannot be read", "non si può leggere"},
    {"DataDir holds no single folder name (a comma outside double quotes makes it a list): write "
     "the folder's name between double quotes",
     "DataDir non contiene un solo nome di cartella (una virgola fuori dalle virgolette doppie ne "
     "fa un elenco): scrivere il nome della cartella tra virgolette doppie"},
    {"the folder chosen is used now, but could not be kept in the settings",
     "la cartella scelta vale per questa volta, ma non si è potuta salvare nelle impostazioni"},
    {"the folder chosen is used now, but could not be kept in the settings: {t}",
     "la cartella scelta vale per questa volta, ma non si è potuta salvare nelle impostazioni: "
     "{1}"},
    {"the file holds lines that are no settings (a name without \"=\", a \"[\" without \"]\"); "
     "correct them",
     "il file contiene righe che non sono impostazioni (un nome senza \"=\", una \"[\" senza "
     "\"]\"); correggerle"},
    {"its folder {} cannot be made ({t})", "la sua cartella {1} non si può creare ({2})"},
    {"the settings file is a folder", "il file delle impostazioni è una cartella"},
    {"the settings file cannot be written ({t})",
     "il file delle impostazioni non si può scrivere ({1})"},
    {"its folder {} takes no new file ({t})",
     "nella sua cartella {1} non si possono creare file ({2})"},

    // The data files.
    {"is a directory, not a data file", "è una cartella, non un file di dati"},
    {"is a pipe, a socket or a device, not a data file",
     "è una pipe, un socket o un dispositivo, non un file di dati"},
    {"holds {} bytes, too many to read whole: that takes about {} bytes, more than the {} bytes "
     "of memory left to Velmaro here (the least that the machine, its limits and its control "
     "group leave it)",
     "contiene {1} byte, troppi per leggerlo per intero: servono circa {2} byte, più dei {3} "
     "byte di memoria che restano a Velmaro qui (il minimo che gli lasciano la macchina, i suoi "
     "limiti e il suo gruppo di controllo)"},
    {"holds {} bytes, too many to read whole: out of memory",
     "contiene {1} byte, troppi per leggerlo per intero: memoria esaurita"},
    {"holds more than 64 MiB, as no table does (a real one holds a few thousand lines): not a "
     "table of codes and names, one per line",
     "contiene più di 64 MiB, come nessuna tabella (una vera contiene qualche migliaio di "
     "righe): non è una tabella di codici e nomi, uno per riga"},
    {"holds more than 1,000,000 lines, as no table does (a real one holds a few thousand): not "
     "a table of codes and names, one per line",
     "contiene più di 1.000.000 di righe, come nessuna tabella (una vera ne contiene qualche "
     "migliaio): non è una tabella di codici e nomi, uno per riga"},
    {"the file is too large for a student registry",
     "il file è troppo grande per un elenco degli studenti"},
    {"the student registry holds no records", "l'elenco degli studenti non contiene studenti"},
    {"the file has been closed", "il file è stato chiuso"},
    {"one of the data files, which Velmaro only reads",
     "è uno dei file di dati, che Velmaro non sovrascrive mai: scegliere un altro nome"},
    {"{} is missing: the cards' exam records read as empty",
     "{1} manca: nelle schede i record degli esami risultano vuoti"},
    {"{} is empty: the cards' exam records read as empty",
     "{1} è vuoto: nelle schede i record degli esami risultano vuoti"},
    {"{} is missing: the cards' career-year records read as empty",
     "{1} manca: nelle schede i record degli anni di carriera risultano vuoti"},
    {"{} is empty: the cards' career-year records read as empty",
     "{1} è vuoto: nelle schede i record degli anni di carriera risultano vuoti"},
    {"{} ends within a record ({} of {} bytes), as a copy cut short does: students past its end "
     "are not found",
     "{1} finisce a metà di un record ({2} di {3} byte), come una copia interrotta: gli studenti "
     "oltre la sua fine non si trovano"},
    {"{} ends within a record ({} of {} bytes), as a copy cut short does: exams past its end show "
     "empty",
     "{1} finisce a metà di un record ({2} di {3} byte), come una copia interrotta: gli esami "
     "oltre la sua fine risultano vuoti"},
    {"{} ends within a record ({} of {} bytes), as a copy cut short does: career years past its "
     "end show empty",
     "{1} finisce a metà di un record ({2} di {3} byte), come una copia interrotta: gli anni di "
     "carriera oltre la sua fine risultano vuoti"},
    {"{} ends with a record whose key is no number of 1 or more: lookups go no higher than the "
     "last record's "
     "key, so no student is found",
     "{1} finisce con un record la cui chiave non è un numero da 1 in su: la ricerca non va oltre "
     "la chiave "
     "dell'ultimo record, quindi nessuno studente viene trovato"},
    {"{} holds no lines: the cards show no exam names",
     "{1} non contiene righe: le schede non mostrano i nomi degli esami"},
    {"{} holds no lines: the cards show no diploma titles",
     "{1} non contiene righe: le schede non mostrano i titoli di diploma"},
    {"{} holds only blank lines: the cards show no exam names",
     "{1} contiene solo righe vuote: le schede non mostrano i nomi degli esami"},
    {"{} holds only blank lines: the cards show no diploma titles",
     "{1} contiene solo righe vuote: le schede non mostrano i titoli di diploma"},

    // Printing.
    {"the PDF file cannot be written (is the folder writable?)",
     "il file PDF non si può scrivere (la cartella è scrivibile?)"},
    {"the print job could not be started (is the printer ready?)",
     "non è stato possibile avviare la stampa (la stampante è pronta?)"},
    {"the print job could not be started", "non è stato possibile avviare la stampa"},
    {"the print job could not be finished", "non è stato possibile completare la stampa"},
    {"the print spooler cannot be asked about the job ({t})",
     "non si può chiedere al servizio di stampa l'esito della stampa ({1})"},
    {"{} could not be loaded: no such library",
     "non è stato possibile caricare {1}: la libreria non c'è"},
    {"{} could not be loaded: a function is missing from it",
     "non è stato possibile caricare {1}: vi manca una funzione"},
    {"{} could not be loaded: {}", "non è stato possibile caricare {1}: {2}"},
    {"the print service does not answer: is CUPS running?",
     "il servizio di stampa non risponde: CUPS è in funzione?"},
    {"the print service at {} does not answer: is CUPS running?",
     "il servizio di stampa su {1} non risponde: CUPS è in funzione?"},
    {"the print service knows no such printer (was it removed?)",
     "il servizio di stampa non conosce questa stampante (è stata rimossa?)"},
    {"the temporary folder {} cannot take the print job before it goes to the printer: {t}",
     "la cartella temporanea {1} non può accogliere la stampa prima che vada alla stampante: "
     "{2}"},
    {"the printer is not accepting jobs", "la stampante non accetta stampe"},
    {"the printer is not accepting jobs: {}", "la stampante non accetta stampe: {1}"},
    {"the printer is stopped", "la stampante è ferma"},
    {"the printer is stopped: {}", "la stampante è ferma: {1}"},
    {"the printer reported an error", "la stampante ha segnalato un errore"},
    {"the printer aborted the job", "la stampante ha interrotto la stampa"},
    {"the job was cancelled", "la stampa è stata annullata"},
    {"the printer stopped the job", "la stampante ha fermato la stampa"},
    {"the printer did not take the job", "la stampante non ha accettato la stampa"},
    {"the printer did not take the job: {}", "la stampante non ha accettato la stampa: {1}"},

    // Saving a card, and the fonts it embeds.
    {"an A4 page at {} dpi does not fit in the memory left",
     "una pagina A4 a {1} dpi non entra nella memoria rimasta"},
    {"the PNG image could not be encoded", "non è stato possibile codificare l'immagine PNG"},
    {"the SVG drawing could not be started", "non è stato possibile avviare il disegno SVG"},
    {"the SVG drawing could not be completed", "non è stato possibile completare il disegno SVG"},
    {"the card image cannot be made (out of memory)",
     "non è stato possibile creare l'immagine della scheda (memoria esaurita)"},
    {"the output is already open", "il file di uscita è già aperto"},
    {"a named pipe (FIFO) that no program reads",
     "una pipe con nome (FIFO) che nessun programma legge"},
    {"the output is not open", "il file di uscita non è aperto"},
    {"PDF object {} was never written", "l'oggetto PDF {1} non è mai stato scritto"},
    {"the font {} is not found", "il carattere {1} non si trova"},
    {"the font {} cannot be embedded: {t}", "il carattere {1} non si può incorporare: {2}"},
    {"the font has no usable '{}' table", "il carattere non ha una tabella '{1}' utilizzabile"},
    {"the font {} is found as \"{}\", whose outlines are not TrueType and cannot be embedded in "
     "a PDF: {t}",
     "il carattere {1} si trova come \"{2}\", i cui contorni non sono TrueType e non si possono "
     "incorporare in un PDF: {3}"},
    {"the card's font Arial is drawn with \"{}\", whose letters are not Arial's size: texts may "
     "not fit their places; {t}",
     "il carattere Arial della scheda è disegnato con \"{1}\", le cui lettere non hanno le misure "
     "di Arial: i testi potrebbero non stare al loro posto; {2}"},
    {"install the package fonts-liberation2 (Liberation Sans, with Arial's measures)",
     "installare il pacchetto fonts-liberation2 (Liberation Sans, con le misure di Arial)"},
    {"not seconds since 1970 in digits alone, up to the year 9999: '{}'",
     "non sono secondi dal 1970 in sole cifre, fino all'anno 9999: '{1}'"},

    // The system's own texts (the C library's, in English when the user's language has none).
    {"No such file or directory", "file o cartella inesistente"},
    {"Permission denied", "permesso negato"},
    {"Operation not permitted", "operazione non permessa"},
    {"Is a directory", "è una cartella"},
    {"Not a directory", "non è una cartella"},
    {"Too many levels of symbolic links", "troppi livelli di collegamenti simbolici"},
    {"File name too long", "nome del file troppo lungo"},
    {"Input/output error", "errore di input/output"},
    {"No space left on device", "spazio esaurito sul dispositivo"},
    {"Disk quota exceeded", "quota del disco superata"},
    {"Read-only file system", "file system in sola lettura"},
    {"File too large", "file troppo grande"},
    {"File exists", "il file esiste già"},
    {"Too many open files", "troppi file aperti"},
    {"Too many open files in system", "troppi file aperti nel sistema"},
    {"Cannot allocate memory", "memoria esaurita"},
    {"Resource temporarily unavailable", "risorsa temporaneamente non disponibile"},
    {"Device or resource busy", "dispositivo o risorsa occupati"},
    {"Text file busy", "file di testo occupato"},
    {"No such device or address", "dispositivo o indirizzo inesistente"},
    {"No such device", "dispositivo inesistente"},
    {"Stale file handle", "riferimento al file non più valido"},
    {"Value too large for defined data type", "valore troppo grande per il tipo di dato"},
    {"Invalid cross-device link", "collegamento tra dispositivi non valido"},
    {"Bad file descriptor", "descrittore di file non valido"},
    {"Operation not supported", "operazione non supportata"},
    {"Connection timed out", "connessione scaduta"},

    // A reason about a part of a path ("/srv/schede: No such file or directory"): last, after
    // every phrase that holds ": " of its own.
    {"{}: {t}", "{1}: {2}"},
};

// One way an English template matches a text: the text of each placeholder, in order.
struct Match {
    std::vector<std::string_view> parts;
    std::vector<bool> translated;
};

// Calls found with every way the rest of template (from its character at) matches text from its
// character from, each part non-empty, until found returns true; returns whether it did.
bool Matches(std::string_view english, std::size_t at, std::string_view text, std::size_t from,
             Match& partial, const std::function<bool(const Match&)>& found) {
    const std::size_t open = english.find('{', at);
    const std::string_view literal = english.substr(at, open - at);
    if (text.substr(from, literal.size()) != literal) return false;
    from += literal.size();
    if (open == std::string_view::npos) return from == text.size() && found(partial);
    const std::size_t close = english.find('}', open);
    partial.translated.push_back(english.substr(open + 1, close - open - 1) == "t");
    // The part ends where the words after it begin: at each place they stand, or, when they
    // end the phrase, where they end the text.
    const std::size_t nextOpen = english.find('{', close + 1);
    const std::string_view next = english.substr(close + 1, nextOpen - close - 1);
    const auto tryEnd = [&](std::size_t end) {
        partial.parts.push_back(text.substr(from, end - from));
        const bool stopped = Matches(english, close + 1, text, end, partial, found);
        partial.parts.pop_back();
        return stopped;
    };
    bool stopped = false;
    if (nextOpen == std::string_view::npos) {
        stopped = text.size() >= from + 1 + next.size() && text.ends_with(next) &&
                  tryEnd(text.size() - next.size());
    } else if (!next.empty() && partial.translated.back()) {
        // A reason within is tried shortest first, a part quoted as it is (a path, which may hold
        // the phrase's words) longest first: the likelier way comes first, and the search stops
        // at the first way that knows all of its reasons.
        for (std::size_t end = text.find(next, from + 1); end != std::string_view::npos && !stopped;
             end = text.find(next, end + 1))
            stopped = tryEnd(end);
    } else if (!next.empty()) {
        for (std::size_t end = text.rfind(next);
             end != std::string_view::npos && end > from && !stopped;
             end = end == 0 ? std::string_view::npos : text.rfind(next, end - 1))
            stopped = tryEnd(end);
    } else {
        for (std::size_t end = from + 1; end <= text.size() && !stopped; ++end)
            stopped = tryEnd(end);
    }
    partial.translated.pop_back();
    return stopped;
}

// A reason's Italian, and whether it starts with the catalogue's words rather than with a part
// quoted as it is (a path, which keeps its first letter).
struct Translation {
    std::string text;
    bool startsWithWord = false;
};

// What each part of one reason translates to, once worked out, by where the part stands in the
// reason (every part is a piece of it): a reason whose parts hold the phrases' words many times
// over ("a: b: c: …") is otherwise translated again for every way of splitting it, and each
// piece compared whole with the others.
struct Translations {
    std::map<std::pair<const char*, std::size_t>, std::optional<Translation>> known;
    // How many reasons within reasons are being translated: the program's own nest three
    // deep; a quoted name that holds ": " a thousand times would otherwise nest as deep, on
    // the stack, and is left as it stands past kDeepest.
    int depth = 0;
    static constexpr int kDeepest = 16;
};

const std::optional<Translation>& Translated(std::string_view text, Translations& known);

// How many of the reasons within match the catalogue knows.
int KnownReasons(const Match& match, Translations& translations) {
    int known = 0;
    for (std::size_t i = 0; i < match.parts.size(); ++i)
        known += match.translated[i] && Translated(match.parts[i], translations).has_value();
    return known;
}

// italian with the parts of match put in, the reasons among them translated.
Translation Filled(std::string_view italian, const Match& match, Translations& translations) {
    Translation filled;
    filled.startsWithWord = !italian.starts_with('{');
    for (std::size_t i = 0; i < italian.size(); ++i) {
        const std::size_t close = italian.find('}', i);
        if (italian[i] != '{' || close == std::string_view::npos) {
            filled.text += italian[i];
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(italian[i + 1] - '1');
        const std::string_view part = match.parts.at(index);
        if (match.translated[index]) {
            const std::optional<Translation>& inner = Translated(part, translations);
            if (i == 0) filled.startsWithWord = inner && inner->startsWithWord;
            filled.text += inner ? std::string_view(inner->text) : part;
        } else {
            filled.text += part;
        }
        i = close;
    }
    return filled;
}

// text in Italian, or nothing when no phrase of the catalogue matches it, as known keeps it.
// Where a phrase matches in several ways (a quoted path that holds the phrase's own words),
// the way whose inner reasons the catalogue knows best is taken; only that one is written out.
const std::optional<Translation>& Translated(std::string_view text, Translations& known) {
    static const std::optional<Translation> kNone;
    const std::pair key{text.data(), text.size()};
    if (const auto done = known.known.find(key); done != known.known.end()) return done->second;
    if (known.depth == Translations::kDeepest) return kNone;
    ++known.depth;
    std::optional<Translation> translated;
    for (const Phrase& phrase : kPhrases) {
        // Tried in every way only where the text ends as the phrase does.
        if (!text.ends_with(phrase.english.substr(phrase.english.rfind('}') + 1))) continue;
        Match partial;
        std::optional<Match> best;
        int bestKnown = -1;
        Matches(phrase.english, 0, text, 0, partial, [&](const Match& match) {
            const int matchKnown = KnownReasons(match, known);
            if (matchKnown > bestKnown) {
                best = match;
                bestKnown = matchKnown;
            }
            // No later way can know more than all of its reasons.
            return std::cmp_equal(
                bestKnown, std::count(match.translated.begin(), match.translated.end(), true));
        });
        // A phrase of parts alone ("{}: {t}") whose reason the catalogue does not know has
        // translated nothing: taken for a translation, it would outweigh a way that has.
        if (!best) continue;
        Translation filled = Filled(phrase.italian, *best, known);
        if (filled.text == text) continue;
        translated = std::move(filled);
        break;
    }
    --known.depth;
    return known.known.emplace(key, std::move(translated)).first->second;
}

}  // namespace

std::string ItalianReason(std::string_view reason) {
    Translations known;
    const std::optional<Translation>& translated = Translated(reason, known);
    return translated ? translated->text : std::string(reason);
}

std::string ItalianMessage(const Error& error) {
    // The file is a path, or the printer a print job went to.
    std::string file = error.file;
    bool startsWithWord = false;
    if (file == "the printer") {
        file = "la stampante";
        startsWithWord = true;
    } else if (file.starts_with("printer ")) {
        file = "stampante " + file.substr(8);
        startsWithWord = true;
    }
    Translations known;
    const std::optional<Translation>& translated = Translated(error.reason, known);
    const std::string reason = translated ? translated->text : error.reason;
    if (file.empty()) startsWithWord = translated && translated->startsWithWord;
    std::string message = file.empty() ? reason : file + ": " + reason;
    // A box's text starts as a sentence does; a path ("dati/esami.dir") or a text that came as
    // it is, as it is.
    if (!startsWithWord) return message;
    if (!message.empty() && message[0] >= 'a' && message[0] <= 'z') {
        message[0] = static_cast<char>(message[0] - 'a' + 'A');
    } else if (message.starts_with("\u00e8")) {
        message.replace(0, std::string_view("\u00e8").size(), "\u00c8");
    }
    return message;
}

}  // namespace velmaro
