// A text table of any content, built with both layouts and queried: never a crash, every
// looked-up entry inside or outside the table without reading out of bounds, and each lookup
// the entry a search of the code index gives.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/code_table.h"
#include "store/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = velmaro::SplitLines(text);
    for (const velmaro::CodeTableLayout& layout :
         {velmaro::kExamTableLayout, velmaro::kTitleTableLayout}) {
        const velmaro::CodeTable table = velmaro::BuildCodeTable(lines, layout);
        // Codes cut from the input itself, plus entries around the table's ends.
        for (std::size_t at = 0; at < text.size() && at < 64; at += 5) {
            const std::string_view code = text.substr(at, layout.codeLength);
            const double entry = table.EntryOf(code);
            // The index gives what a search of the codes gives.
            const std::size_t found = table.codes.find("*" + std::string(code));
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
