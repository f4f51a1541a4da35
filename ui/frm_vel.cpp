#include "ui/frm_vel.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "base/printable_text.h"
#include "render/card_text.h"
#include "render/render_card.h"
#include "ui/card_page.h"
#include "ui/card_printer.h"
#include "ui/command_button.h"
#include "ui/italian_message.h"
#include "ui/message_box.h"
#include "ui/print_dialogs.h"
#include "ui/qt_text_metrics.h"

// The icons are compiled into this static library; their initialiser must be named outside
// any namespace, and calling it from the window makes sure the linker keeps it.
static void InitWindowIcons() { Q_INIT_RESOURCE(velmaro_icons); }

namespace velmaro {

namespace {

constexpr int kKeyAsciiEnter = 13;
// Text lines that an expanded window holds below its row of controls.
constexpr double kCardLines = 40;
// The tallest card area in the window, in pixels: some 1,300 lines, for rows that a data fault
// (an exam years past the chart's end) places far below the chart. An exam dated a century
// past a chart of days would otherwise ask for an image as tall as the chart's scale makes
// it, gigabytes of it.
constexpr int kMostCardPixels = 16384;
// The window's width, in widths of "M".
constexpr double kWindowColumns = 60;

QIcon WindowIcon() {
    InitWindowIcons();
    QIcon icon;
    icon.addFile(QStringLiteral(":/velmaro/icons/velmaro-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/velmaro/icons/velmaro-32.png"), QSize(32, 32));
    return icon;
}

// A character the number's box does not keep: a line end or a tab that a paste brings, or one
// that shows nothing there (a zero-width space, a byte-order mark) and would stop the number
// being read as the box shows it.
bool IsDroppedFromNumber(QChar character) {
    return character.category() == QChar::Other_Control ||
           character.category() == QChar::Other_Format;
}

// The resolution of the image "Copia immagine" puts on the clipboard.
constexpr int kCopiedImageDotsPerInch = 150;

// "Copia immagine": the card's page as an image on the clipboard, as the card files have it.
class PageImageCopy final : public CardPrinter {
  public:
    Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) override;
};

Status PageImageCopy::PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) {
    if (!GoesOnPage(CardPageFit(card), goOnCutOff)) return Ok();
    QImage page = NewCardPageImage(kCopiedImageDotsPerInch);
    if (page.isNull()) return Error{"", "the card image cannot be made (out of memory)"};
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawCardPage(painter, card);
    }
    QGuiApplication::clipboard()->setImage(page);
    return Ok();
}

}  // namespace

// The window as its card is drawn again: the surface prepared, the window left as it is.
class FrmVel::SurfacePreparer final : public CardWindow {
  public:
    explicit SurfacePreparer(FrmVel& window) : window_(window) {}
    void LargeVel(PainterSurface& drawing) override { window_.PrepareCardSurface(drawing); }

  private:
    FrmVel& window_;
};

namespace {

// A control's geometry, one property at a time, as the load handler sets it.
void SetLeft(QWidget& control, int pixels) { control.move(pixels, control.y()); }
void SetTop(QWidget& control, int pixels) { control.move(control.x(), pixels); }
void SetWidth(QWidget& control, int pixels) { control.resize(pixels, control.height()); }
void SetHeight(QWidget& control, int pixels) { control.resize(control.width(), pixels); }

}  // namespace

FrmVel::FrmVel(std::string dataDir, CardContext context, QWidget* parent)
    : QWidget(parent),
      LblMatr(new QLabel(QStringLiteral("Matr."), this)),
      TxtMatr(new QLineEdit(QStringLiteral("0000"), this)),
      CmdVis(new CommandButton(QStringLiteral("&Visualizza"), this)),
      CmdExi(new CommandButton(QStringLiteral("&Esci"), this)),
      CmdPri(new CommandButton(QStringLiteral("&Stampa"), this)),
      dataDir_(std::move(dataDir)),
      context_(std::move(context)),
      printer_(std::make_unique<SystemCardPrinter>(this, dataDir_, &chosenPrinter_)),
      dialogPrinter_(std::make_unique<AskingCardPrinter>(AskedDestination::kPrintDialog, this,
                                                         dataDir_, &chosenPrinter_)),
      cardArea_(new QScrollArea(this)),
      cardView_(new CardView),
      cardMenu_(new QMenu(this)),
      restoreTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("FrmVel"));
    LblMatr->setObjectName(QStringLiteral("LblMatr"));
    TxtMatr->setObjectName(QStringLiteral("TxtMatr"));
    CmdVis->setObjectName(QStringLiteral("CmdVis"));
    // The buttons keep the font they were designed with; a system without it serves its
    // nearest sans serif face.
    QFont buttonFont(QStringLiteral("MS Sans Serif"));
    buttonFont.setPointSizeF(7.8);
    for (QPushButton* button : {CmdVis, CmdExi, CmdPri})
        button->setFont(buttonFont);
    CmdExi->setObjectName(QStringLiteral("CmdExi"));
    CmdPri->setObjectName(QStringLiteral("CmdPri"));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowIcon(WindowIcon());

    // The card is drawn on a white window; the label shares the window's background. The
    // buttons keep the platform's font: the window's drawing font is windowFont_, which
    // the controls do not inherit.
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    setAutoFillBackground(true);
    QPalette boxPalette = TxtMatr->palette();
    boxPalette.setColor(QPalette::Base, QColor(192, 255, 255));
    // Dark on the light box whatever the desktop's colours: a dark theme's light text
    // would vanish on it.
    boxPalette.setColor(QPalette::Text, Qt::black);
    TxtMatr->setPalette(boxPalette);
    LblMatr->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The card area: white like the window, without a frame, scrolling when the window is
    // smaller than the card.
    cardArea_->setObjectName(QStringLiteral("CardArea"));
    cardArea_->setFrameShape(QFrame::NoFrame);
    cardArea_->setFocusPolicy(Qt::NoFocus);
    cardArea_->setBackgroundRole(QPalette::Window);
    cardArea_->setWidget(cardView_);
    cardArea_->lower();
    connect(cardView_, &CardView::menuRequested, this, &FrmVel::ShowCardMenu);
    // The keys go back to the box, its number selected: a number typed replaces it. Esc only
    // gives the keys back: pressed on the card, it is no wish to empty the box and the card.
    connect(cardView_, &CardView::keyForNumber, this, [this](const QKeyEvent& key) {
        FocusNumber();
        if (key.key() == Qt::Key_Escape) return;
        QKeyEvent again(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(),
                        static_cast<quint16>(key.count()));
        QCoreApplication::sendEvent(TxtMatr, &again);
    });

    // Names and descriptions for screen readers; the label names the box.
    LblMatr->setBuddy(TxtMatr);
    setAccessibleName(QString::fromUtf8(kWindowCaption));
    TxtMatr->setAccessibleName(QStringLiteral("Matricola"));
    TxtMatr->setAccessibleDescription(QStringLiteral("Numero di matricola dello studente"));
    CmdVis->setAccessibleName(QStringLiteral("Visualizza"));
    CmdVis->setAccessibleDescription(QStringLiteral("Mostra la scheda dello studente"));
    CmdPri->setAccessibleName(QStringLiteral("Stampa"));
    CmdPri->setAccessibleDescription(
        QStringLiteral("Stampa la scheda sulla stampante predefinita"));
    CmdExi->setAccessibleName(QStringLiteral("Esci"));
    CmdExi->setAccessibleDescription(QStringLiteral("Chiude il programma"));
    cardArea_->setAccessibleName(QStringLiteral("Area della scheda"));

    // The focus goes round in the controls' designed order: the box, "Visualizza", "Esci",
    // then "Stampa" (skipped while it is disabled), then the card when there is one.
    setTabOrder(TxtMatr, CmdVis);
    setTabOrder(CmdVis, CmdExi);
    setTabOrder(CmdExi, CmdPri);
    setTabOrder(CmdPri, cardView_);
    CreateActions();
    // A card shown or cleared while the window filled the screen sizes it once the window
    // manager has put its own size back.
    restoreTimer_->setSingleShot(true);
    connect(restoreTimer_, &QTimer::timeout, this, &FrmVel::ResizeAsAskedWhileFillingTheScreen);

    connect(CmdVis, &QPushButton::clicked, this, &FrmVel::CmdVis_Click);
    connect(CmdPri, &QPushButton::clicked, this, &FrmVel::CmdPri_Click);
    connect(CmdExi, &QPushButton::clicked, this, &FrmVel::CmdExi_Click);
    connect(TxtMatr, &QLineEdit::textChanged, this, &FrmVel::TxtMatr_Change);
    connect(TxtMatr, &QLineEdit::textEdited, this, &FrmVel::DropControlCharacters);
    TxtMatr->installEventFilter(this);
}

FrmVel::~FrmVel() = default;

Status FrmVel::Form_Load() {
    CmdPri->setEnabled(false);
    windowFont_ = ArialFont(8);

    charWidth_ = static_cast<int>(std::lround(TextWidth(QStringLiteral("M"))));
    charHeight_ = static_cast<int>(std::lround(TextHeight()));
    barHeight_ = 4 * charHeight_;
    SetWindowHeight(barHeight_);
    SetWindowWidth(DesignedWidth());
    LayOutButtons();
    TxtMatr->setText(QStringLiteral("5193"));
    // A number typed at once replaces it; Enter displays it.
    TxtMatr->selectAll();
    LayOutNumberBox();

    VELMARO_TRY(DisplayFlow flow, DisplayFlow::LoadTables(dataDir_, context_));
    flow_.emplace(std::move(flow));
    return Ok();
}

void FrmVel::LayOutButtons() {
    for (QPushButton* button : {CmdExi, CmdPri, CmdVis})
        SetHeight(*button, PixelsY(2.0 * charHeight_));
    // The buttons follow the width the window really has, should the platform not grant
    // the one asked for.
    windowWidth_ = static_cast<int>(std::lround(TwipScale::Of(*this).ToTwipsX(width())));
    const double buttonWidth = windowWidth_ / 4.0 * 0.9;
    for (QPushButton* button : {CmdExi, CmdPri, CmdVis}) {
        SetWidth(*button, PixelsX(buttonWidth));
        SetTop(*button, 0);
    }
    SetLeft(*CmdExi, PixelsX(windowWidth_ * 3.5 / 4 - buttonWidth / 2));
    SetLeft(*CmdPri, PixelsX(windowWidth_ * 2.5 / 4 - buttonWidth / 2));
    SetLeft(*CmdVis, PixelsX(windowWidth_ * 1.5 / 4 - buttonWidth / 2));
}

void FrmVel::LayOutNumberBox() {
    LblMatr->setFont(ArialFont(8));
    SetTop(*LblMatr, 0);
    SetLeft(*LblMatr, 0);
    SetHeight(*LblMatr, PixelsY(2.0 * charHeight_));
    QPalette labelPalette = LblMatr->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::black);
    LblMatr->setPalette(labelPalette);
    SetWidth(*LblMatr, PixelsX(TextWidth(LblMatr->text()) + charWidth_));

    // The box's font is 10 points, but its width is measured in the window's 8-point font.
    TxtMatr->setFont(ArialFont(10));
    SetTop(*TxtMatr, 0);
    const double labelWidth = TwipScale::Of(*this).ToTwipsX(LblMatr->width());
    SetLeft(*TxtMatr, PixelsX(labelWidth + 2.0 * charWidth_));
    SetHeight(*TxtMatr, PixelsY(2.0 * charHeight_));
    SetWidth(*TxtMatr, PixelsX(TextWidth(TxtMatr->text()) + charWidth_));
}

void FrmVel::LargeVel(PainterSurface& drawing) {
    SetWindowHeight(barHeight_ + kCardLines * charHeight_);
    PrepareCardSurface(drawing);
}

void FrmVel::PrepareCardSurface(PainterSurface& drawing) {
    windowFont_ = ArialFont(8);
    drawing.SetFont(windowFont_);
    drawing.LineRelative(0, barHeight_, windowWidth_, 0);
    drawing.SetCurrentY(barHeight_ + charHeight_);
    drawing.SetCurrentX(0);
}

void FrmVel::ShowNumber(const QString& typed) {
    QString number = typed;
    number.removeIf(IsDroppedFromNumber);
    TxtMatr->setText(number);
    CmdVis_Click();
}

void FrmVel::SetCardPrinter(std::unique_ptr<CardPrinter> printer) { printer_ = std::move(printer); }

void FrmVel::SetDialogPrinter(std::unique_ptr<CardPrinter> printer) {
    dialogPrinter_ = std::move(printer);
}

void FrmVel::CreateActions() {
    const auto addShortcut = [this](const char* name, const QList<QKeySequence>& keys,
                                    auto handler) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromUtf8(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        this->addAction(action);
        return action;
    };
    addShortcut("ZoomIn", {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                [this] { SetZoom(NextZoomStep(Zoom(), true)); });
    addShortcut("ZoomOut", {QKeySequence::ZoomOut},
                [this] { SetZoom(NextZoomStep(Zoom(), false)); });
    addShortcut("ZoomReset", {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { SetZoom(100); });
    const auto printThroughDialog = [this] { PrintKeptCard(*dialogPrinter_); };
    // The kept card through a destination that asks the user first.
    const auto askAndPrint = [this](AskedDestination destination) {
        return [this, destination] {
            AskingCardPrinter asking(destination, this, dataDir_, &chosenPrinter_);
            PrintKeptCard(asking);
        };
    };
    keptCardActions_.push_back(
        addShortcut("PrintDialog", {QKeySequence::Print}, printThroughDialog));
    keptCardActions_.push_back(addShortcut("PrintPreview",
                                           {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
                                           askAndPrint(AskedDestination::kPreview)));

    // The card's context menu.
    const auto addMenuItem = [this](const char* name, const QString& text, auto handler) {
        QAction* action = cardMenu_->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    cardMenu_->setObjectName(QStringLiteral("CardMenu"));
    keptCardActions_.push_back(
        addMenuItem("MenuPrint", QStringLiteral("Stampa\u2026"), printThroughDialog));
    keptCardActions_.push_back(addMenuItem("MenuPreview",
                                           QStringLiteral("Anteprima di stampa\u2026"),
                                           askAndPrint(AskedDestination::kPreview)));
    keptCardActions_.push_back(addMenuItem("MenuSavePdf", QStringLiteral("Salva come PDF\u2026"),
                                           askAndPrint(AskedDestination::kPdfFile)));
    keptCardActions_.push_back(addMenuItem("MenuSaveImage",
                                           QStringLiteral("Salva come immagine\u2026"),
                                           askAndPrint(AskedDestination::kImageFile)));
    cardMenu_->addSeparator();
    keptCardActions_.push_back(
        addMenuItem("MenuCopyImage", QStringLiteral("Copia immagine"), [this] {
            PageImageCopy copy;
            PrintKeptCard(copy);
        }));
    for (QAction* action : keptCardActions_)
        action->setEnabled(false);
    addMenuItem("MenuCopyText", QStringLiteral("Copia testo"), [this] {
        QGuiApplication::clipboard()->setText(cardView_->CardText());
        FocusNumber();
    });
}

void FrmVel::ShowCardMenu(QPoint globalPos) { cardMenu_->popup(globalPos); }

void FrmVel::PrintKeptCard(CardPrinter& printer) {
    if (flow_) flow_->Print(*this, printer);
    // Printed by Tab and Enter on "&Stampa", or from the card's menu: the next number typed
    // goes into the box, not to a button that Enter would press again; it replaces the number
    // shown, while a number being typed (an edit clears the card) is left as it was.
    if (ShowsCard()) {
        FocusNumber();
    } else {
        TxtMatr->setFocus(Qt::OtherFocusReason);
    }
}

bool FrmVel::ShowsCard() const { return !cardView_->IsEmpty(); }

int FrmVel::Zoom() const { return cardView_->Zoom(); }

void FrmVel::SetZoom(int percent) {
    cardView_->SetZoom(percent);
    UpdateSidewaysScrolling();
}

int FrmVel::CardAreaTop() const { return PixelsY(2.0 * charHeight_); }

int FrmVel::PixelsX(double twips) const {
    return static_cast<int>(std::lround(TwipScale::Of(*this).ToDeviceX(twips)));
}

int FrmVel::PixelsY(double twips) const {
    return static_cast<int>(std::lround(TwipScale::Of(*this).ToDeviceY(twips)));
}

void FrmVel::CmdVis_Click() {
    if (!flow_) return;
    ForgetTypingHistory();
    flow_->Display(TxtMatr->text().toStdString(), *this);
}

void FrmVel::ForgetTypingHistory() {
    // Setting the text is what empties a line edit's undo history; the text stays, and no
    // edit is signalled (an edit clears the card).
    const QSignalBlocker quiet(TxtMatr);
    const int cursor = TxtMatr->cursorPosition();
    TxtMatr->setText(TxtMatr->text());
    TxtMatr->setCursorPosition(cursor);
}

void FrmVel::CmdPri_Click() { PrintKeptCard(*printer_); }

void FrmVel::CmdExi_Click() {
    if (flow_) flow_->CloseFiles();
    close();
    QCoreApplication::quit();
}

void FrmVel::TxtMatr_Change() {
    SetWindowHeight(barHeight_);
    cardView_->Clear();
    shownCard_.reset();
    shownStudent_.reset();
}

void FrmVel::DropControlCharacters(const QString& text) {
    if (std::none_of(text.begin(), text.end(), IsDroppedFromNumber)) return;
    const int cursor = TxtMatr->cursorPosition();
    const auto before = static_cast<int>(
        std::count_if(text.begin(), text.begin() + std::min<qsizetype>(cursor, text.size()),
                      IsDroppedFromNumber));
    QString kept = text;
    kept.removeIf(IsDroppedFromNumber);
    TxtMatr->setText(kept);
    TxtMatr->setCursorPosition(cursor - before);
}

void FrmVel::TxtMatr_KeyPress(int keyAscii) {
    if (keyAscii == kKeyAsciiEnter) CmdVis_Click();
}

bool FrmVel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TxtMatr && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Emptied by setting the text, which also empties the undo history (see
            // ForgetTypingHistory).
            TxtMatr->setText(QString());
            return true;
        }
        // Alt and a letter or digit is an access key: one that no enabled control takes
        // ("&Stampa" while disabled, a letter no caption marks) types nothing into the number.
        // Enter, with Alt too, still displays.
        if (key->modifiers().testFlag(Qt::AltModifier) &&
            !key->modifiers().testFlag(Qt::ControlModifier) && !key->text().isEmpty() &&
            key->text().at(0).isLetterOrNumber()) {
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            TxtMatr_KeyPress(kKeyAsciiEnter);
        } else if (!key->text().isEmpty()) {
            TxtMatr_KeyPress(key->text().at(0).unicode());
        }
    }
    // Any other key goes on to the text box.
    return QWidget::eventFilter(watched, event);
}

void FrmVel::SetPrintEnabled(bool enabled) {
    CmdPri->setEnabled(enabled);
    for (QAction* action : keptCardActions_)
        action->setEnabled(enabled);
}

void FrmVel::ShowNotFound() {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kWindowCaption),
                    QStringLiteral("Matricola NON Trovata"), QMessageBox::Ok, this);
    KeepCaptionInSight(box);
    box.exec();
    FocusNumber();
}

void FrmVel::ShowError(const Error& error) {
    // The message may echo a file name: shown as plain text, control characters escaped.
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kWindowCaption),
                    QString::fromStdString(PrintableText(ItalianMessage(error))), QMessageBox::Ok,
                    this);
    box.setTextFormat(Qt::PlainText);
    KeepCaptionInSight(box);
    box.exec();
    FocusNumber();
}

bool FrmVel::ConfirmCutOffCard(const CardInput& card, PageFit fit) {
    const char* const larger = ByEdges(fit, "più lunga", "più larga", "più lunga e più larga");
    const char* const edges = ByEdges(fit, "al suo bordo inferiore", "al suo bordo destro",
                                      "ai suoi bordi inferiore e destro");
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kWindowCaption),
                    QString::fromStdString("La scheda di " + PrintableText(card.student.MatrText) +
                                           " è " + larger +
                                           " di una pagina: stampata, salvata o copiata come "
                                           "pagina, si interrompe " +
                                           edges + ". La finestra la mostra intera."),
                    QMessageBox::NoButton, this);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QStringLiteral("Continuare?"));
    QPushButton* goOn = box.addButton(QStringLiteral("Continua"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
    // Enter goes on, as a press of "Stampa" would have; Esc and closing the box go back.
    box.setDefaultButton(goOn);
    box.setEscapeButton(cancel);
    KeepCaptionInSight(box);
    box.exec();
    if (box.clickedButton() == goOn) return true;
    FocusNumber();
    return false;
}

void FrmVel::DrawCard(const CardInput& card) {
    // The card is kept to be drawn again at another zoom or resolution: its student copied,
    // the tables those of the flow, which lives as long as the window.
    shownStudent_ = card.student;
    shownCard_.emplace(
        CardInput{*shownStudent_, card.titles, card.exams, card.today, card.decimalSeparator});
    const int top = CardAreaTop();
    // As wide as the window is meant to be, should the screen have made it narrower: the card
    // then scrolls sideways.
    const QRect area(0, top, PixelsX(std::max<double>(windowWidth_, DesignedWidth())),
                     PixelsY(barHeight_ + kCardLines * charHeight_) - top);
    cardBottom_ = 0;
    cardRight_ = 0;
    // The first drawing is the display's: its card frame expands the window (LargeVel).
    // Drawings again at another zoom only prepare the surface.
    bool displaying = true;
    const auto paint = [this, displaying](QPainter& painter) mutable {
        SurfacePreparer preparer(*this);
        CardWindow& window = displaying ? static_cast<CardWindow&>(*this) : preparer;
        displaying = false;
        WindowSurface surface(painter, windowFont_, window);
        RenderCard(surface, *shownCard_);
        cardBottom_ = surface.Lowest();
        cardRight_ = surface.Rightmost();
    };
    const auto text = [this] {
        return QString::fromStdString(CardText(*shownCard_, QtTextMetrics(windowFont_, *this)));
    };
    cardView_->SetCard(area, paint, text);
    // Rows past the window's 40 lines (a long career, names on two lines) are drawn on a
    // longer area, and texts past its width (a long exam name or typed number) on a wider one,
    // which the window scrolls, rather than cut off.
    const QSize drawn(std::min(PixelsX(cardRight_ + charWidth_), kMostCardPixels),
                      std::min(PixelsY(cardBottom_ + charHeight_) - top, kMostCardPixels));
    cardView_->SetCardSize(area.size().expandedTo(drawn));
    UpdateSidewaysScrolling();
}

void FrmVel::UpdateSidewaysScrolling() {
    // A card as wide as the window loses only the end of the rule under the controls to an
    // upright scroll bar: the sideways one shows only when texts or dots are out of sight.
    const int scrollBar = cardArea_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                          cardArea_->verticalScrollBar());
    const double drawnRight = PixelsX(cardRight_) * cardView_->Zoom() / 100.0;
    const bool outOfSight = ShowsCard() && drawnRight + 1 > cardArea_->width() - scrollBar;
    cardArea_->setHorizontalScrollBarPolicy(outOfSight ? Qt::ScrollBarAsNeeded
                                                       : Qt::ScrollBarAlwaysOff);
}

void FrmVel::FocusNumber() {
    TxtMatr->setFocus(Qt::OtherFocusReason);
    // The next number typed replaces the one looked up, found or not: added to it, it would
    // look up another student, in a box too narrow to show the number whole.
    TxtMatr->selectAll();
}

double FrmVel::DesignedWidth() const { return kWindowColumns * charWidth_; }

double FrmVel::TextWidth(const QString& text) const {
    return QtTextMetrics(windowFont_, *this).Width(text.toStdString());
}

double FrmVel::TextHeight() const { return QtTextMetrics(windowFont_, *this).Height(); }

}  // namespace velmaro
