// Every card of the sample data set is legible: no text item is drawn over another, whether
// the card is measured with the synthetic fixed font or with the real card fonts.

#include <gtest/gtest.h>

#include "lookup/lookup_student.h"
#include "render/render_card.h"
#include "store/data_store.h"
#include "tests/support/text_boxes.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// The overlaps found on every card of the sample set drawn with metrics; one line per card.
std::vector<std::string> OverlapsOfEverySampleCard(const TextMetrics& metrics) {
    auto store = DataStore::LoadTables(DataDirOf(VELMARO_SAMPLE_DIR));
    if (!store.ok()) return {store.error().Message()};
    std::vector<std::string> overlaps;
    for (std::int64_t record = 1; record <= store->RegistryCount(); ++record) {
        const auto text = store->Registry().ReadRecord(record);
        if (!text.ok()) return {text.error().Message()};
        const std::string matricola = std::to_string(RecordKey(*text));
        const auto outcome = LookupStudent(*store, matricola);
        if (!outcome.ok() || !outcome->student) {
            overlaps.push_back(matricola + ": not found");
            continue;
        }
        testing::TextBoxSurface surface(metrics);
        RenderCard(surface, {*outcome->student, store->Titles(), store->Exams(),
                             std::chrono::year{2025} / 10 / 20, ","});
        if (const std::string overlap = testing::FirstOverlap(surface.Boxes()); !overlap.empty())
            overlaps.push_back(matricola + ": " + overlap);
    }
    return overlaps;
}

TEST(CardLegibility, NoTextOfAnySampleCardOverlapsAnother) {
    const FixedMetrics fixed;
    const QtTextMetrics printer = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    const QtTextMetrics image = QtTextMetrics::AtResolution(CardPrinterFont(), 150);
    const QtTextMetrics window = QtTextMetrics::AtResolution(WithoutKerning(ArialFont(8)), 96);
    const std::pair<const char*, const TextMetrics*> fonts[] = {
        {"fixed", &fixed}, {"printer", &printer}, {"150 dpi", &image}, {"window", &window}};
    for (const auto& [name, metrics] : fonts) {
        const std::vector<std::string> overlaps = OverlapsOfEverySampleCard(*metrics);
        EXPECT_TRUE(overlaps.empty()) << name << " metrics: " << overlaps.size()
                                      << " cards overprint, the first: " << overlaps.front();
    }
}

}  // namespace
}  // namespace velmaro
