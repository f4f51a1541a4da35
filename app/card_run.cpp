#include "app/card_run.h"

#include "lookup/lookup_student.h"
#include "render/render_card.h"

namespace velmaro {

void ReportError(std::ostream& errors, const Error& error) {
    errors << "velmaro: " << error.Message() << '\n';
}

int DrawCards(const std::vector<std::string>& matricolas, const DataStore& store, CardSink& sink,
              std::chrono::year_month_day today, const std::string& decimalSeparator,
              std::ostream& errors) {
    int status = kCardsAllDrawn;
    for (const std::string& typed : matricolas) {
        sink.BeginCard(typed);
        const Result<LookupOutcome> outcome = LookupStudent(store, typed);
        if (!outcome) {
            ReportError(errors, outcome.error());
            status = kCardsFailed;
            continue;
        }
        if (!outcome->student) {
            sink.NotFound();
            errors << "Matricola NON Trovata: " << typed << '\n';
            if (status == kCardsAllDrawn) status = kCardsSomeNotFound;
            continue;
        }
        const CardInput input{*outcome->student, store.Titles(), store.Exams(), today,
                              decimalSeparator};
        if (Status drawn = sink.DrawCard(input); !drawn) {
            ReportError(errors, drawn.error());
            return kCardsFailed;
        }
    }
    if (Status finished = sink.Finish(); !finished) {
        ReportError(errors, finished.error());
        return kCardsFailed;
    }
    return status;
}

}  // namespace velmaro
