#include "lookup/display_flow.h"

#include <utility>

#include "lookup/lookup_student.h"

namespace velmaro {

Result<DisplayFlow> DisplayFlow::LoadTables(const std::string& dataDir, CardContext context) {
    VELMARO_TRY(DataStore store, DataStore::LoadTables(dataDir));
    if (!context.today) context.today = SystemToday;
    return DisplayFlow(std::move(store), std::move(context));
}

DisplayFlow::DisplayFlow(DataStore store, CardContext context)
    : store_(std::move(store)), context_(std::move(context)) {}

void DisplayFlow::Display(std::string_view typedText, DisplayView& view) {
    studentFound_ = false;
    view.SetPrintEnabled(false);

    Result<LookupOutcome> outcome = LookupStudent(store_, typedText);
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
    const CutOffQuestion goOnCutOff = [&] { return view.ConfirmCutOffCard(card); };
    if (Status printed = printer.PrintCard(card, goOnCutOff); !printed) {
        view.ShowError(printed.error());
    }
}

CardInput DisplayFlow::CardOfKeptStudent() const {
    return CardInput{*keptStudent_, store_.Titles(), store_.Exams(), context_.today(),
                     context_.decimalSeparator};
}

}  // namespace velmaro
