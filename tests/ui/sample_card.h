#pragma once

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

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
        if (outcome && outcome->student) {
            student_ = std::move(*outcome->student);
            own_ = student_->ExamRecs;
        }
    }

    bool Loaded() const { return student_.has_value(); }

    // The student's own exams, repeated in turn until there are exams of them: the rows of each
    // session stack up, and the more there are, the lower the card's last ones lie.
    void RepeatExams(std::size_t exams) {
        student_->ExamRecs.clear();
        for (std::size_t i = 0; i < exams; ++i)
            student_->ExamRecs.push_back(own_[i % own_.size()]);
    }
    std::size_t OwnExams() const { return own_.size(); }

    // Every exam name of the sample's table, with tail added: a long name reaches further
    // right than the page is wide.
    void AddToExamNames(const std::string& tail) {
        exams_ = store_->Exams();
        for (std::size_t entry = 1; entry < exams_->names.size(); ++entry)
            exams_->names[entry] += tail;
    }
    // The last exam made one of a code that the student's own exams do not have, and that
    // code's name alone, of the sample's names, given tail; whether the table has such a code.
    bool AddToTheLastExamsNameAlone(const std::string& tail) {
        exams_ = store_->Exams();
        for (const auto& [run, position] : exams_->firstRunAt) {
            const std::string code = run.substr(1);
            const bool own = std::any_of(own_.begin(), own_.end(),
                                         [&](const ExamRecord& exam) { return exam.code == code; });
            const auto entry = static_cast<std::size_t>(exams_->EntryOf(code));
            if (own || entry == 0 || entry >= exams_->names.size()) continue;
            student_->ExamRecs.back().code = std::string_view(code);
            exams_->names[entry] += tail;
            return true;
        }
        return false;
    }

    CardInput Input() const {
        return CardInput{*student_, store_->Titles(), exams_ ? *exams_ : store_->Exams(),
                         std::chrono::year{2025} / 10 / 20, ","};
    }

  private:
    Result<DataStore> store_;
    std::optional<Student> student_;
    std::vector<ExamRecord> own_;
    std::optional<CodeTable> exams_;  // the sample's, changed; none: the sample's own
};

}  // namespace velmaro
