#pragma once

#include <QFont>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "lookup/display_flow.h"
#include "store/student.h"
#include "ui/card_view.h"
#include "ui/print_dialogs.h"
#include "ui/window_caption.h"
#include "ui/window_surface.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QTimer;

namespace velmaro {

// The main window: the label "Matr.", the number's text box and the buttons "&Visualizza",
// "&Stampa" and "&Esci" in one row at the top; below it, after a successful lookup, the
// student's card. The window is compact (just the row) until a card is drawn, expanded while
// it shows one, and compact again as soon as the number is edited.
//
// Layout values are in twips (1440 to the inch) and come from the letter "M" in the window's
// font, "Arial" 8 points; they are turned into pixels by the window's logical resolution. The
// window's Height is its client area: the frame around it belongs to the window manager.
class FrmVel final : public QWidget, public CardWindow, private DisplayView {
    Q_OBJECT

  public:
    // The window with its five controls as designed ("0000" in the text box), not loaded
    // and not shown. The data will come from dataDir (a folder followed by "/"); context gives
    // the cards their date and decimal separator.
    FrmVel(std::string dataDir, CardContext context, QWidget* parent = nullptr);
    ~FrmVel() override;

    // The load handler, once, before the window is shown: disables "&Stampa", sets the window
    // font, lays the window and its controls out from the size of "M", puts "5193" into the
    // text box and loads the data. An error names the file that stopped the loading; the
    // window must then not be shown.
    Status Form_Load();

    // Prepares the window for a new card drawn through drawing: the expanded height (40 text
    // lines below the row of controls), the window font, the rule under the row, and the
    // print position at the left edge one line below the rule. Nothing is cleared.
    void LargeVel(PainterSurface& drawing) override;

    // Puts typed into the number's box and displays it, as typing it and pressing Enter
    // would: control characters (a line end that came with it) and characters that show
    // nothing are dropped, as from a paste.
    void ShowNumber(const QString& typed);

    // Where "&Stampa" prints; the system printer (or a PDF file) unless replaced.
    void SetCardPrinter(std::unique_ptr<CardPrinter> printer);
    // Where Ctrl+P and the context menu's "Stampa…" print; the print dialog unless replaced.
    void SetDialogPrinter(std::unique_ptr<CardPrinter> printer);

    // The layout values fixed by the load handler, in twips.
    int CharWidth() const { return charWidth_; }
    int CharHeight() const { return charHeight_; }
    int BarHeight() const { return barHeight_; }
    int WindowWidth() const { return windowWidth_; }

    // The window's drawing font: "Arial" 8 points once loaded.
    const QFont& WindowFont() const { return windowFont_; }

    // True while the window keeps a drawn card (from a display until the next edit).
    bool ShowsCard() const;

    // The card area's zoom in percent (50 to 400), and setting it.
    int Zoom() const;
    void SetZoom(int percent);

    // The loaded flow; null before a successful load.
    const DisplayFlow* Flow() const { return flow_ ? &*flow_ : nullptr; }

    // Pixels of a horizontal or vertical length in twips, at the window's logical resolution.
    int PixelsX(double twips) const;
    int PixelsY(double twips) const;

  public slots:
    // "&Visualizza": looks the typed number up and draws the card (see DisplayFlow::Display).
    void CmdVis_Click();
    // "&Stampa": prints the card of the last student found.
    void CmdPri_Click();
    // "&Esci": closes the data files and ends the program.
    void CmdExi_Click();
    // Every change of the number's text: back to the compact height, the drawing erased.
    // Whether a student was found, and "&Stampa", stay as they are.
    void TxtMatr_Change();
    // Every edit of the number by the user: control characters that a paste brings (a line
    // end, a tab), and characters that show nothing (a zero-width space, a byte-order mark),
    // are dropped, so that the number is what the box shows.
    void DropControlCharacters(const QString& text);
    // Every character typed into the number's text box; Enter (13) runs CmdVis_Click. The key
    // then reaches the text box unchanged.
    void TxtMatr_KeyPress(int keyAscii);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Empties the number box's undo history, keeping its text and cursor: each number looked
    // up starts it afresh, so that a window open all day does not grow with every key typed.
    void ForgetTypingHistory();
    class SurfacePreparer;

    // DisplayView: the flow's calls back into the window.
    void SetPrintEnabled(bool enabled) override;
    void ShowNotFound() override;
    void ShowError(const Error& error) override;
    // Asks the user whether to go on with a card that runs past the bottom or the right edge of
    // its page, naming the edges fit tells.
    bool ConfirmCutOffCard(const CardInput& card, PageFit fit) override;
    void DrawCard(const CardInput& card) override;
    void FocusNumber() override;

    // The layout of the row of controls, from the metrics of "M": the three buttons in the
    // last three quarters of the width the window really has, then the label and the box.
    void LayOutButtons();
    void LayOutNumberBox();
    // Makes drawing ready for the card below the row of controls: the window font, the rule
    // under the row, the print position one line below it.
    void PrepareCardSurface(PainterSurface& drawing);
    // Runs the kept card through printer, as "&Stampa" does, its errors shown.
    void PrintKeptCard(CardPrinter& printer);
    void CreateActions();
    void ShowCardMenu(QPoint globalPos);
    // The card area's top edge: just below the row of controls, in pixels.
    int CardAreaTop() const;

    // The window's client width and height, in twips; no larger than the screen has room for
    // (ScreenRoom), where the card area scrolls.
    void SetWindowWidth(double twips);
    void SetWindowHeight(double twips);
    // The window's width as laid out from "M" (60 of its widths), in twips; the screen may
    // grant less.
    double DesignedWidth() const;
    // The largest client size the window's screen has room for, in pixels.
    QSize ScreenRoom() const;
    // Resizes the window to the size in pixels, or to the room its screen has if less; sets
    // the minimum size (the row of controls) within that room too.
    void ResizeWithinScreen(int widthPixels, int heightPixels);
    // Makes the window smaller when the room its screen has is less than its size: for a frame
    // given after it grew, or another screen.
    void FitWithinScreen();
    // Whether the window is maximized or full screen, a size the user chose that the window
    // keeps.
    bool FillsTheScreen() const;
    // Once the window is no longer maximized or full screen and the window manager has put its
    // own size back: resizes it as the card shown or cleared meanwhile asked, once.
    void ResizeAsAskedWhileFillingTheScreen();
    // Drops what a card asked while the window filled the screen: the window sized itself
    // since.
    void ForgetSizeAskedWhileFillingTheScreen();
    // Shows the sideways scroll bar of the card area only when part of the card's texts or
    // dots is out of sight.
    void UpdateSidewaysScrolling();
    // Measurements in the window's font, in twips: a text's width, and the height of a line.
    double TextWidth(const QString& text) const;
    double TextHeight() const;

    QLabel* LblMatr;
    QLineEdit* TxtMatr;
    QPushButton* CmdVis;
    QPushButton* CmdExi;
    QPushButton* CmdPri;

    const std::string dataDir_;
    CardContext context_;
    std::optional<DisplayFlow> flow_;
    ChosenPrinter chosenPrinter_;  // offered first by the next print dialog
    std::unique_ptr<CardPrinter> printer_;
    std::unique_ptr<CardPrinter> dialogPrinter_;
    // The student whose card the window shows, kept to draw it again at another zoom.
    std::optional<Student> shownStudent_;
    std::optional<CardInput> shownCard_;
    QFont windowFont_;
    QScrollArea* cardArea_;
    CardView* cardView_;
    QMenu* cardMenu_;
    // Everything that prints, saves or copies the found student's card, by key or from the
    // card's menu: enabled with "&Stampa", and only then.
    std::vector<QAction*> keptCardActions_;

    int charWidth_ = 0;
    int charHeight_ = 0;
    int barHeight_ = 0;
    int windowWidth_ = 0;
    // The lowest point of the card last drawn, and the right edge of its texts and dots, in
    // twips.
    double cardBottom_ = 0;
    double cardRight_ = 0;
    // The window's frame as last seen, and whether a change of screen refits the window.
    QSize knownFrame_;
    bool followsScreen_ = false;
    // The size the window last asked for itself.
    QSize askedSize_;
    // The height a card shown or cleared while the window was maximized or full screen asks
    // of it once it is restored (unset: what the window manager puts back; the width is the
    // user's); the timer that gives it a moment after the restore, and how many more moments
    // it may wait for the window manager to put the window's own size back.
    std::optional<int> heightAfterRestore_;
    QTimer* restoreTimer_;
    int restoreWaits_ = 0;
    static constexpr int kRestoreWait = 100;  // milliseconds
    static constexpr int kRestoreWaits = 20;
};

}  // namespace velmaro
