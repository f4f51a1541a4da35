// A text table of any content, built with both layouts and queried: never a crash, every
// looked-up entry inside or outside the table without reading out of bounds, and each lookup
// the entry a search of the code index gives.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/code_table.h"
#include "store/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = velmaro::SplitLines(text);
    for (const velmaro::CodeTableLayout& layout :
         {velmaro::kExamTableLayout, velmaro::kTitleTableLayout}) {
        const velmaro::CodeTable table = velmaro::BuildCodeTable(lines, layout);
        // Codes cut from the input itself, which a table rarely holds; and the code after each
        // "*" of the index (a whole code, or one running into the next entry after a short
        // line), so that lookups also find entries, repeated codes among them.
        std::vector<std::string> codes;
        for (std::size_t at = 0; at < text.size() && at < 64; at += 5)
            codes.emplace_back(text.substr(at, layout.codeLength));
        for (std::size_t at = table.codes.find('*'); at != std::string::npos && codes.size() < 64;
             at = table.codes.find('*', at + 1))
            codes.push_back(table.codes.substr(at + 1, layout.codeLength));
        for (const std::string& code : codes) {
            const double entry = table.EntryOf(code);
            // The index gives what a search of the codes gives.
            const std::size_t found = table.codes.find("*" + code);
            const double searched =
                (found == std::string::npos ? 0.0 : static_cast<double>(found + 1)) - 1;
            if (entry != searched / static_cast<double>(table.entryWidth) + 1) std::abort();
            (void)table.NameAt(entry);
            (void)table.GroupAt(entry);
        }
        for (const double entry : {-1.0, 0.0, 0.5, 1.5, table.count, table.count + 0.5, 1e300}) {
            (void)table.NameAt(entry);
            (void)table.GroupAt(entry);
        }
    }
    return 0;
}
