#include "lookup/display_flow.h"

#include <algorithm>
#include <utility>

#include "lookup/lookup_student.h"
#include "store/data_warnings.h"

namespace velmaro {

Result<DisplayFlow> DisplayFlow::LoadTables(const std::string& dataDir, CardContext context) {
    // Looked at before loading: a change made meanwhile is seen at the first display.
    const DataFileVersions versions = VersionsOf(dataDir);
    VELMARO_TRY(DataStore store, DataStore::LoadTables(dataDir));
    if (!context.today) context.today = SystemToday;
    DisplayFlow flow(std::move(store), dataDir, std::move(context));
    flow.lookedAt_ = versions;
    flow.dataWarnings_ = MissingDataWarnings(flow.store_, flow.dataDir_);
    return flow;
}

DisplayFlow::DisplayFlow(DataStore store, std::string dataDir, CardContext context)
    : store_(std::move(store)), dataDir_(std::move(dataDir)), context_(std::move(context)) {}

std::vector<std::string> DisplayFlow::NewDataWarnings() {
    DataFileVersions versions = VersionsOf(dataDir_);
    if (versions == lookedAt_) return {};
    lookedAt_ = std::move(versions);
    std::vector<std::string> current = MissingDataWarnings(store_, dataDir_);
    std::vector<std::string> added;
    for (const std::string& warning : current) {
        if (std::find(dataWarnings_.begin(), dataWarnings_.end(), warning) == dataWarnings_.end())
            added.push_back(warning);
    }
    dataWarnings_ = std::move(current);
    return added;
}

void DisplayFlow::Display(std::string_view typedText, DisplayView& view) {
    studentFound_ = false;
    view.SetPrintEnabled(false);

    // The lookup follows the files' names first: the warnings are of the files it read.
    Result<LookupOutcome> outcome = LookupStudent(store_, typedText);
    for (std::string& warning : NewDataWarnings())
        view.ShowError(Error{"", std::move(warning)});
    if (!outcome) {
        view.ShowError(outcome.error());
    } else if (!outcome->student) {
        view.ShowNotFound();
    } else {
        keptStudent_ = std::move(*outcome->student);
        studentFound_ = true;
        view.DrawCard(CardOfKeptStudent());
    }

    view.FocusNumber();
    if (studentFound_) view.SetPrintEnabled(true);
}

void DisplayFlow::Print(DisplayView& view, CardPrinter& printer) const {
    if (!studentFound_) {
        view.ShowNotFound();
        return;
    }
    const CardInput card = CardOfKeptStudent();
    const CutOffQuestion goOnCutOff = [&](PageFit fit) {
        return view.ConfirmCutOffCard(card, fit);
    };
    if (Status printed = printer.PrintCard(card, goOnCutOff); !printed) {
        view.ShowError(printed.error());
    }
}

CardInput DisplayFlow::CardOfKeptStudent() const {
    return CardInput{*keptStudent_, store_.Titles(), store_.Exams(), context_.today(),
                     context_.decimalSeparator};
}

}  // namespace velmaro
