#include "tools/sample_catalogue.h"

#include <array>

#include "tools/windows1252_encode.h"

namespace velmaro::sample {
namespace {

constexpr Marking G = Marking::kGraded;
constexpr Marking P = Marking::kPassOnly;

// The group codes cover every class of the card: "00" (0); A1 F1 E1 G1 and every code
// beginning with L (1); A2 F2 E2 MR CH, and EB MS which count as E2 and MR (2); IT MM E3 SM
// (3); CF (4). Every group code is one that a class rule names, so the sample checks clean.
constexpr std::array<ExamEntry, 91> kExams{{
    {"00", "IN00", "Esame Non Codificato", G},
    {"A1", "1001", "Matematica Generale", G},
    {"A1", "1002", "Statistica", G},
    {"A1", "1003", "Economia Politica", G},
    {"A1", "1004", "Matematica Generale (MOD. A)", G},
    {"A1", "1005", "Matematica Generale (MOD. B)", G},
    {"F1", "1006", "Economia Aziendale", G},
    {"F1", "1007", "Ragioneria Generale ed Applicata", G},
    {"F1", "1008", "Contabilità e Bilancio (MOD. I)", G},
    {"E1", "1009", "Istituzioni di Diritto Privato", G},
    {"E1", "1010", "Istituzioni di Diritto Pubblico", G},
    {"G1", "1011", "  Geografia Economica   ", G},
    {"G1", "1012", "Storia Economica", G},
    {"LL", "1013", "Lingua Inglese", G},
    {"LX", "1014", "Lingua Tedesca", G},
    {"L1", "1015", "Lingua Francese", G},
    {"LS", "1016", "Lingua Spagnola", G},
    {"LR", "1017", "Lingua Russa", G},
    {"LL", "1018", "Idoneità di Lingua Inglese", P},
    {"A2", "1019", "Matematica Finanziaria", G},
    {"A2", "1020", "Statistica Economica", G},
    {"A2", "1021", "Calcolo delle Probabilità", G},
    {"F2", "1022", "Tecnica Bancaria", G},
    {"F2", "1023", "Tecnica Industriale e Commerciale", G},
    {"F2", "1024", "Finanza Aziendale", G},
    {"E2", "1025", "Diritto Commerciale", G},
    {"E2", "1026", "Diritto del Lavoro", G},
    {"E2", "1027", "Responsabilità Civile e Assicurazioni", G},
    {"MR", "1028", "Marketing", G},
    {"MR", "1029", "Economia e Gestione delle Imprese", G},
    {"CH", "1030", "Merceologia", G},
    {"CH", "1031", "Chimica Merceologica", G},
    {"EB", "1032", "Diritto Tributario", G},
    {"EB", "1033", "Diritto Bancario", G},
    {"MS", "1034", "Ricerche di Mercato", G},
    {"MS", "1035", "Comunicazione d'Impresa", G},
    {"IT", "1036", "Informatica Generale", G},
    {"IT", "1037", "Laboratorio di Informatica (MOD. B)", G},
    {"IT", "1038", "Prova di Idoneità Informatica", P},
    {"MM", "1039", "Metodi Matematici per l'Economia", G},
    {"MM", "1040", "Matematica per le Decisioni Finanziarie", G},
    {"E3", "1041", "Diritto Fallimentare", G},
    {"E3", "1042", "Diritto dell'Unione Europea", G},
    {"SM", "1043", "Sociologia dei Processi Economici", G},
    {"SM", "1044", "Storia del Pensiero Economico", G},
    {"CF", "1045", "Contabilità Pubblica", G},
    {"CF", "1046", "Revisione e Certificazione dei Bilanci", G},
    {"CF", "1047", "Analisi di Bilancio", G},
    {"A1", "IN01", "Politica Economica", G},
    {"A1", "IN02", "Scienza delle Finanze", G},
    {"A2", "IN03", "Econometria", G},
    {"F1", "IN04", "Organizzazione Aziendale", G},
    {"F2", "IN05", "Programmazione e Controllo", G},
    {"F2", "IN06", "Economia degli Intermediari Finanziari", G},
    {"E1", "IN07", "Diritto Amministrativo", G},
    {"E2", "IN08", "Diritto Internazionale", G},
    {"G1", "IN09", "Geografia Politica ed Economica", G},
    {"A2", "IN10", "Economia Internazionale", G},
    {"A2", "IN11", "Demografia", G},
    {"MM", "IN12", "Matematica Attuariale", G},
    {"MM", "IN13", "Teoria dei Giochi", G},
    {"F2", "IN14", "Economia dei Trasporti", G},
    {"F2", "IN15", "Economia del Turismo", G},
    {"A2", "IN16", "Economia Agraria", G},
    {"CH", "IN17", "Tecnologia dei Cicli Produttivi", G},
    {"E3", "IN18", "Diritto Penale dell'Economia", G},
    {"SM", "IN19", "Psicologia del Lavoro", G},
    {"MR", "IN20", "Logistica", G},
    {"A2", "IN21", "Economia Ambientale", G},
    {"SM", "IN22", "Storia Contemporanea", G},
    {"SM", "IN23", "Storia dell'Età Moderna", G},
    {"F1", "IN24", "Economia delle Società Cooperative", G},
    {"CF", "IN25", "Qualità e Certificazione", G},
    {"IT", "IN26", "Sistemi Informativi Aziendali", G},
    {"CF", "IN27", "Seminario di Orientamento", P},
    {"CF", "IN28", "Tirocinio Formativo", P},
    {"CF", "IN29", "Esercitazioni di Matematica", G},
    {"F1", "IN30", "Laboratorio di Contabilità (mod. integrativo)", G},
    {"A1", "IN31", "Economia Politica (MOD. II)", G},
    {"00", "CV01", "Esame Convalidato da Altro Corso", G},
    {"L1", "IN32", "Lingua Francese Commerciale (Économie)", G},
    {"G1", "IN33", "Geografia del Paesaggio e dell'Ambiente", G},
    {"E1", "IN34", "Filosofia del Diritto", G},
    {"A2", "IN35", "Analisi dei Dati per il Marketing", G},
    {"CF", "IN36", "  Perizie e Consulenze Tecniche", G},
    {"E2", "IN37", "Diritto della Navigazione", G},
    {"SM", "IN38", "Etica ed Economia", G},
    {"MR", "IN39", "Marketing Internazionale", G},
    {"F2", "IN40", "Gestione della Qualità", G},
    {"CH", "IN41", "Chimica Generale ed Inorganica", G},
    {"A2", "IN42", "Economia Monetaria", G},
}};

constexpr std::array<TitleEntry, 20> kTitles{{
    {'L', "01", "Maturità Classica", 12},
    {'L', "02", "Maturità Scientifica", 30},
    {'L', "03", "Maturità Linguistica", 6},
    {'T', "04", "Ragioniere e Perito Commerciale", 30},
    {'T', "05", "Perito Industriale", 4},
    {'L', "06", "Maturità Magistrale", 3},
    {'A', "07", "Maturità d'Arte Applicata", 1},
    {'T', "08", "Perito Agrario", 2},
    {'T', "09", "Geometra", 4},
    {'P', "10", "Tecnico dei Servizi Turistici", 2},
    {'L', "11", "Liceo Scientifico Tecnologico", 4},
    {'T', "12", "Perito Aziendale e Corrispondente in Lingue Estere", 5},
    {'L', "13", "Liceo delle Scienze Sociali", 2},
    {'E', "14", "Titolo di Studio Conseguito all'Estero", 1},
    {'T', "15", "Perito Informatico", 3},
    {'P', "16", "Operatore della Gestione Aziendale", 2},
    {'L', "17", "Liceo Socio-Psico-Pedagogico", 2},
    {'A', "18", "Maturità Artistica", 1},
    {'T', "19", "  Perito per il Commercio Estero  ", 2},
    {'P', "20", "Tecnico della Gestione Aziendale", 3},
}};

// The catalogue is fixed text of this file; a name the code page cannot hold is a mistake
// here, found by the generator's tests.
std::string Encoded(std::string_view utf8) { return EncodeWindows1252(utf8).value(); }

}  // namespace

std::span<const ExamEntry> ExamCatalogue() { return kExams; }

std::span<const TitleEntry> TitleCatalogue() { return kTitles; }

const ExamEntry* FindExam(std::string_view code) {
    for (const ExamEntry& entry : kExams) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

bool IsModule(const ExamEntry& entry) { return entry.name.find("(MOD") != std::string_view::npos; }

// One line of a text table: a leading field, the code and the name, ended by CR LF.
std::string TableLine(std::string_view lead, std::string_view code, std::string_view name) {
    return std::string(lead) + ' ' + std::string(code) + ' ' + Encoded(name) + "\r\n";
}

std::string ExamTableText() {
    std::string text;
    for (const ExamEntry& entry : kExams)
        text += TableLine(entry.group, entry.code, entry.name);
    return text;
}

std::string TitleTableText() {
    std::string text;
    for (const TitleEntry& entry : kTitles)
        text += TableLine(std::string_view(&entry.kind, 1), entry.code, entry.title);
    return text;
}

}  // namespace velmaro::sample
