#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/system_environment.h"
#include "render/page_fit.h"
#include "render/render_card.h"
#include "store/data_file_versions.h"
#include "store/data_store.h"
#include "store/student.h"

namespace velmaro {

// What the lookup and print flow asks of the window it runs in. Every call happens on the
// user-interface thread, inside DisplayFlow::Display or DisplayFlow::Print.
class DisplayView {
  public:
    virtual ~DisplayView() = default;

    // Enables or disables the print button.
    virtual void SetPrintEnabled(bool enabled) = 0;
    // Shows the modal message "Matricola NON Trovata" and returns once it is closed.
    virtual void ShowNotFound() = 0;
    // Shows a modal message naming error's file and reason; returns once it is closed.
    virtual void ShowError(const Error& error) = 0;
    // Draws the card of card.student on the window. card refers to data of the flow and is
    // valid only during the call.
    virtual void DrawCard(const CardInput& card) = 0;
    // Gives the input focus back to the number's text box, its text selected, so that the
    // next number typed replaces it.
    virtual void FocusNumber() = 0;
    // Asked when card, about to be printed, saved or copied as one page, runs past the bottom
    // or right edge of that page (as fit tells), where it would be cut off: whether to go on.
    // card is valid only during the call.
    virtual bool ConfirmCutOffCard(const CardInput& card, PageFit fit) = 0;
};

// Asked by a CardPrinter once it knows the page a card goes on, and only when the card runs
// past that page's bottom or right edge, as the PageFit given tells: whether to print it cut
// off there (true) or not at all.
using CutOffQuestion = std::function<bool(PageFit)>;

// Where a card is printed. card is valid only during the call.
class CardPrinter {
  public:
    virtual ~CardPrinter() = default;

    // Prints card as one page of one print job. A card longer or wider than the page it goes on
    // (that page's paper, margins and resolution) is printed only when goOnCutOff answers true, or
    // once the user has seen it cut off there (a print preview).
    // Doing nothing (a print or a question the user cancelled) is a success; a job that
    // cannot start is an error with the reason.
    virtual Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) = 0;
};

// What a card needs besides the student and the tables: the date taken as today and the
// decimal separator of the averages.
struct CardContext {
    std::function<std::chrono::year_month_day()> today;
    std::string decimalSeparator = ".";
};

// The lookup, display and print flow of the main window, without the window: it owns the
// open data for the session, knows whether the last display request found a student
// (StudentFound), and keeps that student for printing even after the typed number changes.
class DisplayFlow {
  public:
    // Loads the tables and opens the record files of dataDir. An error names the file that
    // stopped the loading and why.
    static Result<DisplayFlow> LoadTables(const std::string& dataDir, CardContext context);

    // One press of the display button, in this order: StudentFound becomes false and printing
    // is disabled; typedText is looked up; when the data files changed since the last look,
    // each warning of what the cards now lack (MissingDataWarnings) that was not in force
    // before is shown as an error, before the outcome (a copy cut short while the window is
    // open); a student who is not on file brings the
    // not-found message, a record file that cannot be read brings a message naming it (in
    // both cases nothing is drawn and the previous student is kept as it was); a found student
    // becomes the kept student, StudentFound becomes true and the card is drawn; then the
    // focus goes back to the number and, when the student was found, printing is enabled.
    void Display(std::string_view typedText, DisplayView& view);

    // One press of the print button: with StudentFound, the kept student's card goes to
    // printer, which asks view when the card is too long for its page (an error the printer
    // reports is shown by view); otherwise the not-found message is shown and nothing is
    // printed.
    void Print(DisplayView& view, CardPrinter& printer) const;

    // True only between a display request that found its student and the next request.
    bool StudentFound() const { return studentFound_; }

    // The student of the last successful lookup, if any; kept across failed lookups.
    const std::optional<Student>& KeptStudent() const { return keptStudent_; }

    // Releases the record files (the exit button's job); later lookups report them closed.
    void CloseFiles() { store_.CloseFiles(); }

    const DataStore& Store() const { return store_; }
    // What the cards lack (MissingDataWarnings) as the data files were at the last look: at
    // loading, then at each display.
    const std::vector<std::string>& DataWarnings() const { return dataWarnings_; }

  private:
    DisplayFlow(DataStore store, std::string dataDir, CardContext context);

    // The warnings that came into force since the data files were last looked at, once
    // they changed; DataWarnings becomes those of the files now.
    std::vector<std::string> NewDataWarnings();

    // The card input of the kept student; only valid while it stays kept.
    CardInput CardOfKeptStudent() const;

    DataStore store_;
    std::string dataDir_;
    CardContext context_;
    DataFileVersions lookedAt_;
    std::vector<std::string> dataWarnings_;
    bool studentFound_ = false;
    std::optional<Student> keptStudent_;
};

}  // namespace velmaro
