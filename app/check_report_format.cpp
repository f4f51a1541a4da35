#include "app/check_report_format.h"

#include "base/printable_text.h"
#include "render/recording_surface.h"

namespace velmaro {
namespace {

// "elenco.dir record 4 and record 5"; the text tables count lines.
std::string Place(const Finding& finding) {
    const bool isTable = finding.file.ends_with(".grp");
    const std::string unit = isTable ? " line " : " record ";
    std::string place = finding.file;
    if (finding.record != 0) place += unit + std::to_string(finding.record);
    if (finding.otherRecord != 0) place += " and" + unit + std::to_string(finding.otherRecord);
    return place;
}

}  // namespace

std::string CheckReportText(const std::string& dataDir, const CheckReport& report) {
    std::string text = PrintableText(dataDir) + ": ";
    if (report.Clean()) return text + "no problems found\n";
    std::size_t kinds = 0;
    for (const ProblemKind kind : AllProblemKinds())
        kinds += report.Group(kind).count != 0;
    text += std::to_string(kinds) + (kinds == 1 ? " kind" : " kinds") + " of problem found\n";
    for (const ProblemKind kind : AllProblemKinds()) {
        const ProblemGroup& group = report.Group(kind);
        if (group.count == 0) continue;
        text += std::string(ProblemKindId(kind)) + ": " + std::to_string(group.count) + " (" +
                std::string(ProblemKindDescription(kind)) + ")\n";
        for (const Finding& finding : group.first)
            text += "  " + Place(finding) + ": " + PrintableText(finding.found) + "\n";
        if (group.count > group.first.size()) {
            text += "  ... and " + std::to_string(group.count - group.first.size()) + " more\n";
        }
    }
    return text;
}

std::string CheckReportJson(const std::string& dataDir, const CheckReport& report) {
    // The folder is named as the text report names it: a folder's name need not be UTF-8, and
    // only with its backslashes doubled does an escaped byte differ from the same characters.
    std::string json = "{\"data_dir\":" + JsonString(PrintableText(dataDir)) +
                       ",\"clean\":" + (report.Clean() ? "true" : "false") + ",\"problems\":[";
    bool firstGroup = true;
    for (const ProblemKind kind : AllProblemKinds()) {
        const ProblemGroup& group = report.Group(kind);
        if (group.count == 0) continue;
        if (!firstGroup) json += ',';
        firstGroup = false;
        json += "{\"kind\":" + JsonString(ProblemKindId(kind)) +
                ",\"description\":" + JsonString(ProblemKindDescription(kind)) +
                ",\"count\":" + std::to_string(group.count) + ",\"first\":[";
        for (std::size_t i = 0; i < group.first.size(); ++i) {
            const Finding& finding = group.first[i];
            if (i != 0) json += ',';
            json += "{\"file\":" + JsonString(finding.file);
            if (finding.record != 0) json += ",\"record\":" + std::to_string(finding.record);
            if (finding.otherRecord != 0) {
                json += ",\"other_record\":" + std::to_string(finding.otherRecord);
            }
            json += ",\"found\":" + JsonString(finding.found) + "}";
        }
        json += "]}";
    }
    return json + "]}\n";
}

}  // namespace velmaro
