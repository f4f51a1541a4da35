#pragma once

#include <QString>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/program_output.h"
#include "tests/support/text_boxes.h"

namespace velmaro::testing {

// The words of each page of a PDF with their boxes in points, as pdftotext -bbox finds them;
// no page when poppler-utils are not installed.
inline std::vector<std::vector<TextBox>> WordsPerPage(const QString& pdf) {
    std::vector<std::vector<TextBox>> pages;
    const std::string html = ProgramOutput("pdftotext", {"-bbox", pdf, "-"}).toStdString();
    const std::regex item(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), item);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& match = *it;
        if (!match[1].matched) {
            pages.emplace_back();
        } else if (!pages.empty()) {
            pages.back().push_back({std::stod(match[1]), std::stod(match[2]), std::stod(match[3]),
                                    std::stod(match[4]), match[5]});
        }
    }
    return pages;
}

}  // namespace velmaro::testing
