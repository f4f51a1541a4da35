#include "lookup/display_flow.h"

#include <clocale>
#include <ctime>
#include <utility>

#include "lookup/lookup_student.h"

namespace velmaro {

std::chrono::year_month_day SystemToday() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

std::string LocaleDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        conventions->decimal_point[0] == '\0') {
        return ".";
    }
    return conventions->decimal_point;
}

Result<DisplayFlow> DisplayFlow::LoadTables(const std::string& dataDir, CardContext context) {
    Result<DataStore> store = DataStore::LoadTables(dataDir);
    if (!store) return store.error();
    if (!context.today) context.today = SystemToday;
    return DisplayFlow(std::move(*store), std::move(context));
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
    if (Status printed = printer.PrintCard(CardOfKeptStudent()); !printed) {
        view.ShowError(printed.error());
    }
}

CardInput DisplayFlow::CardOfKeptStudent() const {
    return CardInput{*keptStudent_, store_.Titles(), store_.Exams(), context_.today(),
                     context_.decimalSeparator};
}

}  // namespace velmaro
