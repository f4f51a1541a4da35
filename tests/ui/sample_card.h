#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "lookup/lookup_student.h"
#include "render/render_card.h"
#include "store/data_store.h"

namespace velmaro {

// A student of the sample data set, looked up as the window does, and the card input that
// draws it (today fixed at 20 October 2025, "," as the decimal separator).
class SampleCard {
  public:
    explicit SampleCard(const std::string& number)
        : store_(DataStore::LoadTables(DataDirOf(VELMARO_SAMPLE_DIR))) {
        if (!store_) return;
        Result<LookupOutcome> outcome = LookupStudent(*store_, number);
        if (outcome && outcome->student) student_ = std::move(*outcome->student);
    }

    bool Loaded() const { return student_.has_value(); }

    CardInput Input() const {
        return CardInput{*student_, store_->Titles(), store_->Exams(),
                         std::chrono::year{2025} / 10 / 20, ","};
    }

  private:
    Result<DataStore> store_;
    std::optional<Student> student_;
};

}  // namespace velmaro
