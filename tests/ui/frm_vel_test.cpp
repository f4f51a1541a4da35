#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "store/data_file_names.h"
#include "store/data_store.h"
#include "tests/store/data_files.h"
#include "tests/support/ink.h"
#include "tests/support/program_output.h"
#include "ui/card_page.h"
#include "ui/card_printer.h"
#include "ui/card_view.h"
#include "ui/cups_queue.h"
#include "ui/frm_vel.h"
#include "ui/qt_translations.h"

namespace velmaro {
namespace {

const QString kSampleDir = QStringLiteral(VELMARO_SAMPLE_DIR);

// A print target on the card files' page that notes the number of every card it prints, in
// order; a card too long for the page is printed only when the question answers so.
struct RecordingPrinter final : CardPrinter {
    Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) override {
        if (const PageFit fit = CardPageFit(card); !fit.Whole() && !goOnCutOff(fit)) return Ok();
        numbers.push_back(card.student.MatrText);
        return Ok();
    }
    std::vector<std::string> numbers;
};

// Armed before an action that opens a modal Dialog: runs act on it once it shows.
template <typename Dialog>
struct WhenOpen {
    explicit WhenOpen(std::function<void(Dialog&)> act) : act_(std::move(act)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            timer.stop();
            seen = true;
            act_(*dialog);
        });
        timer.start(5);
    }
    QTimer timer;
    bool seen = false;
    std::function<void(Dialog&)> act_;
};

// Armed before an action that opens a message box: notes what the box shows and presses OK.
struct BoxCloser : WhenOpen<QMessageBox> {
    BoxCloser()
        : WhenOpen([this](QMessageBox& box) {
              caption = box.windowTitle();
              text = box.text();
              format = box.textFormat();
              width = box.width();
              box.button(QMessageBox::Ok)->click();
          }) {}
    QString caption, text;
    Qt::TextFormat format = Qt::AutoText;
    int width = 0;
};

// Armed before an action that asks for a file: chooses path (taken, no question asked).
struct FileChooser : WhenOpen<QFileDialog> {
    explicit FileChooser(const QString& path)
        : WhenOpen([path](QFileDialog& dialog) {
              dialog.setOption(QFileDialog::DontConfirmOverwrite);
              dialog.selectFile(path);
              QMetaObject::invokeMethod(&dialog, "accept", Qt::QueuedConnection);
          }) {}
};

}  // namespace

// The main window on the offscreen platform, with the sample data set.
class FrmVelTest : public QObject {
    Q_OBJECT

    // How CopySampleInto changes the sample: 5193's exam count raised so that its card takes
    // the next students' exams too, and every exam name made ninety letters longer.
    struct SampleChanges {
        bool manyRows = false;
        bool longNames = false;
    };
    // The sample's data files copied into data, with changes; whether all went well.
    static bool CopySampleInto(const QTemporaryDir& data, SampleChanges changes) {
        for (const std::string_view file : kDataFileNames) {
            const QString name = QString::fromUtf8(file.data(), qsizetype(file.size()));
            if (!QFile::copy(kSampleDir + "/" + name, data.filePath(name))) return false;
        }
        // The bytes of the copy named name, passed through change.
        const auto changed = [&data](const char* name,
                                     const std::function<bool(QByteArray&)>& change) {
            QFile file(data.filePath(QString::fromUtf8(name)));
            if (!file.open(QIODevice::ReadWrite)) return false;
            QByteArray bytes = file.readAll();
            return change(bytes) && file.seek(0) && file.write(bytes) == bytes.size() &&
                   file.flush();
        };
        if (changes.manyRows && !changed("elenco.dir", [](QByteArray& bytes) {
                const qsizetype student = bytes.indexOf("05193");
                if (student < 0) return false;
                bytes.replace(student + 44, 2, "45");
                return true;
            }))
            return false;
        return !changes.longNames || changed("esami.grp", [](QByteArray& bytes) {
            bytes.replace("\r", QByteArray(90, 'M') + "\r");
            return true;
        });
    }

    // A loaded, shown and active window on the data of dataDir whose prints printer_ notes;
    // with display, the sample number 5193 displayed by Enter.
    void Open(bool display = false, const QString& dataDir = kSampleDir) {
        window_ = std::make_unique<FrmVel>(
            DataDirOf(dataDir.toStdString()),
            CardContext{[] { return std::chrono::year{2025} / 10 / 20; }, ","});
        QVERIFY(window_->Form_Load().ok());
        auto printer = std::make_unique<RecordingPrinter>();
        printer_ = printer.get();
        window_->SetCardPrinter(std::move(printer));
        TxtMatr = window_->findChild<QLineEdit*>("TxtMatr");
        LblMatr = window_->findChild<QLabel*>("LblMatr");
        CmdVis = window_->findChild<QPushButton*>("CmdVis");
        CmdPri = window_->findChild<QPushButton*>("CmdPri");
        CmdExi = window_->findChild<QPushButton*>("CmdExi");
        card_ = window_->findChild<CardView*>();
        menu_ = window_->findChild<QMenu*>("CardMenu");
        QVERIFY(TxtMatr && LblMatr && CmdVis && CmdPri && CmdExi && card_ && menu_);
        window_->show();
        Reactivate();
        TxtMatr->setFocus();
        if (display) QTest::keyClick(TxtMatr, Qt::Key_Return);
    }
    // The offscreen platform does not activate the window again after a box or a dialog.
    void Reactivate() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    // number put in the box in place of its text, and looked up with Enter.
    void Look(const QString& number) {
        TxtMatr->setText(number);
        QTest::keyClick(TxtMatr, Qt::Key_Return);
    }
    QAction* Action(const char* name) const { return menu_->findChild<QAction*>(name); }
    int CompactHeight() const { return window_->PixelsY(window_->BarHeight()); }
    // What the window shows below its row of controls (whose caret may blink).
    QImage CardArea() const {
        const QImage all = window_->grab().toImage();
        return all.copy(0, CompactHeight(), all.width(), all.height() - CompactHeight());
    }

    std::unique_ptr<FrmVel> window_;
    RecordingPrinter* printer_ = nullptr;
    QLineEdit* TxtMatr = nullptr;
    QLabel* LblMatr = nullptr;
    QPushButton *CmdVis = nullptr, *CmdPri = nullptr, *CmdExi = nullptr;
    CardView* card_ = nullptr;
    QMenu* menu_ = nullptr;

  private slots:
    void startUpShowsTheCompactRowLaidOutFromM() {
        Open();
        const FrmVel& w = *window_;
        QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
        QCOMPARE(TxtMatr->selectedText(), QStringLiteral("5193"));  // a number typed replaces it
        QVERIFY(!CmdPri->isEnabled());
        QCOMPARE(QStringList({CmdVis->text(), CmdPri->text(), CmdExi->text()}),
                 QStringList({"&Visualizza", "&Stampa", "&Esci"}));
        // The layout worked out by hand for the font this machine serves for "Arial" 8 points
        // at the offscreen platform's 96 dots per inch (15 twips a pixel): "M" is 9.15625
        // pixels wide and a line 12.28125 pixels high; "Matr." is 24.40625 and "5193" 24.4375
        // pixels wide.
        const QFontMetricsF metrics(w.WindowFont(), &w);
        if (w.logicalDpiX() != 96 || metrics.horizontalAdvance("M") != 9.15625 ||
            metrics.height() != 12.28125 || metrics.horizontalAdvance("Matr.") != 24.40625 ||
            metrics.horizontalAdvance("5193") != 24.4375) {
            QSKIP("another font or resolution than the layout below was worked out for");
        }
        // CharWidth 9.15625 * 15 = 137.3 -> 137; CharHeight 12.28125 * 15 = 184.2 -> 184;
        // BarHeight 4 * 184 = 736 twips = 49 pixels; the width 60 * 137 = 8220 twips = 548.
        QCOMPARE(QList<int>({w.CharWidth(), w.CharHeight(), w.BarHeight(), w.WindowWidth()}),
                 QList<int>({137, 184, 736, 8220}));
        QCOMPARE(w.size(), QSize(548, 49));
        // The label: "Matr." plus an M, 366.1 + 137 = 503.1 twips, 34 pixels. The box two Ms
        // further, 34 * 15 + 274 = 784 twips = 52 pixels, as wide as "5193" plus an M in the
        // window's font, 366.6 + 137 = 503.6 twips = 34 pixels. Buttons 8220 / 4 * 0.9 =
        // 1849.5 twips = 123 pixels wide, 2 * 184 = 368 twips = 25 high, centred at 1.5, 2.5
        // and 3.5 quarters (3082.5, 5137.5, 7192.5 twips): their left edges at 2157.75,
        // 4212.75 and 6267.75 twips, pixels 144, 281 and 418.
        QCOMPARE(QList<QRect>({LblMatr->geometry(), TxtMatr->geometry(), CmdVis->geometry(),
                               CmdPri->geometry(), CmdExi->geometry()}),
                 QList<QRect>({QRect(0, 0, 34, 25), QRect(52, 0, 34, 25), QRect(144, 0, 123, 25),
                               QRect(281, 0, 123, 25), QRect(418, 0, 123, 25)}));
    }

    // The box keeps its light colour in a dark desktop theme, and the number stays dark on it.
    void theNumberStaysLegibleInADarkTheme() {
        const QPalette desktop = QApplication::palette();
        QPalette dark = desktop;
        for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            dark.setColor(role, QColor(40, 40, 40));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(role, QColor(240, 240, 240));
        QApplication::setPalette(dark);
        const auto restore = qScopeGuard([&desktop] { QApplication::setPalette(desktop); });
        Open();
        TxtMatr->deselect();
        TxtMatr->clearFocus();  // no caret
        const QImage box = TxtMatr->grab().toImage();
        // Inside the frame: the digits are the dark pixels.
        QVERIFY(InkOf(box.copy(box.rect().adjusted(3, 3, -3, -3))).pixels > 20);
    }

    // Screen readers, Tab, Esc and the access keys, down to "&Esci", which closes the files.
    void keyboardAndScreenReadersFollowTheScreen() {
        Open();
        const std::pair<QWidget*, const char*> named[] = {
            {TxtMatr, "Matricola"}, {CmdVis, "Visualizza"}, {CmdPri, "Stampa"}, {CmdExi, "Esci"}};
        for (const auto& [widget, name] : named) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QCOMPARE(accessible->text(QAccessible::Name), QString::fromUtf8(name));
            QVERIFY(!accessible->text(QAccessible::Description).isEmpty());
        }
        QAccessibleInterface* cardAccessible = QAccessible::queryAccessibleInterface(card_);
        QVERIFY(!cardAccessible->text(QAccessible::Name).isEmpty());
        QCOMPARE(cardAccessible->role(), QAccessible::StaticText);
        QCOMPARE(cardAccessible->text(QAccessible::Value), QString());  // no card yet
        QCOMPARE(LblMatr->buddy(), static_cast<QWidget*>(TxtMatr));
        // A screen reader reads the card through its text, which is what the desktop's bridge
        // passes on.
        QAccessibleTextInterface* cardText = cardAccessible->textInterface();
        QVERIFY(cardText != nullptr);

        // "&Stampa" is disabled, X marks nothing: neither types into the number.
        // (As the platform sends them: with the letter's text.)
        QTest::keyClick(TxtMatr, 's', Qt::AltModifier);
        QTest::keyClick(TxtMatr, 'x', Qt::AltModifier);
        QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
        // Keypad Enter displays as Enter does.
        QTest::keyClick(TxtMatr, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(window_->ShowsCard());
        const QString shown = cardText->text(0, cardText->characterCount());
        QVERIFY2(shown.startsWith(QStringLiteral("Matr.: 5193\t")), qPrintable(shown));
        QCOMPARE(shown, cardAccessible->text(QAccessible::Value));
        // Read in pieces, as readers do, the one text has no attributes over its length.
        QCOMPARE(cardText->text(7, 11), QStringLiteral("5193"));
        int start = -1, end = -1;
        cardText->attributes(5, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, static_cast<int>(shown.size())));
        // The card's frame shows where the keys go once Tab has brought them there, and only
        // then: the left edge in the highlight colour.
        const QRgb highlight = card_->palette().color(QPalette::Highlight).rgb();
        const auto framedRows = [this, highlight] {
            const QImage image = card_->grab().toImage();
            int framed = 0;
            for (int y = 0; y < image.height(); ++y)
                framed += image.pixel(0, y) == highlight;
            return framed;
        };
        const int unfocused = framedRows();
        // Tab goes round in the designed order: box, Visualizza, Esci, Stampa, the card.
        for (QWidget* next : std::vector<QWidget*>{CmdVis, CmdExi, CmdPri, card_, TxtMatr}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
            if (next == card_) QVERIFY(framedRows() > unfocused + card_->height() / 4);
        }
        QCOMPARE(framedRows(), unfocused);
        // A number typed while the card has the keys goes to the box in place of the one shown,
        // and the keys with it.
        card_->setFocus();
        {
            BoxCloser notFound;  // should the digits reach a number that is not on file
            QTest::keyClick(card_, Qt::Key_5);
            QTest::keyClicks(QApplication::focusWidget(), "0");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(window_->Flow()->KeptStudent()->MatrText, std::string("50"));
        // Esc there only gives the keys back: the card stays.
        card_->setFocus();
        QTest::keyClick(card_, Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QVERIFY(window_->ShowsCard());
        TxtMatr->setText(QStringLiteral("5193"));
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        // Esc empties the box (and, being an edit, clears the card).
        QTest::keyClick(TxtMatr, Qt::Key_Escape);
        QCOMPARE(TxtMatr->text(), QString());
        QVERIFY(!window_->ShowsCard());
        QCOMPARE(cardText->characterCount(), 0);
        // Neither Esc nor a lookup leaves the box an undo history: kept all day, it would grow
        // with every key typed.
        QVERIFY(!TxtMatr->isUndoAvailable());
        QTest::keyClicks(TxtMatr, "5193");
        QVERIFY(TxtMatr->isUndoAvailable());
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QVERIFY(window_->ShowsCard());
        QVERIFY(!TxtMatr->isUndoAvailable());
        QCOMPARE(TxtMatr->selectedText(), QStringLiteral("5193"));  // the next number replaces it

        // Enter displays, with Alt held too; so does Alt+V. (Each number another text, which
        // clears the card shown.)
        for (const auto& [key, number] :
             {std::pair{Qt::Key_Return, "05193"}, {Qt::Key_V, "5193"}}) {
            TxtMatr->setText(QString::fromUtf8(number));
            QVERIFY(!window_->ShowsCard());
            QTest::keyClick(TxtMatr, key, Qt::AltModifier);
            QTRY_VERIFY2(window_->ShowsCard(), number);
        }
        // An access key presses its button at once, and leaves the keyboard with the box: the
        // next number typed at once, even before the print has begun, is displayed after it.
        {
            BoxCloser notFound;  // should the keys reach a number that is not on file
            QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
            QTest::keyClicks(QApplication::focusWidget(), "50");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(printer_->numbers, std::vector<std::string>{"5193"});
        QCOMPARE(window_->Flow()->KeptStudent()->MatrText, std::string("50"));
        // So does a click: Enter then displays the next number rather than printing again.
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(printer_->numbers, (std::vector<std::string>{"5193", "50"}));
        Look(QStringLiteral("5193"));
        // Enter presses the button that Tab gave the focus; the keyboard is then the box's.
        CmdPri->setFocus();
        QTest::keyClick(CmdPri, Qt::Key_Return);
        QTRY_COMPARE(printer_->numbers, (std::vector<std::string>{"5193", "50", "5193"}));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        // A number pasted with its line end, after a tab, or amid characters that show nothing
        // (a zero-width space, a byte-order mark) is the number the box shows.
        for (const char* pasted : {"5193\r\n", "\t51\n93", "\u200b5193\ufeff"}) {
            QApplication::clipboard()->setText(QString::fromUtf8(pasted));
            TxtMatr->setFocus();
            TxtMatr->selectAll();
            QTest::keyClick(TxtMatr, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
            QCOMPARE(TxtMatr->cursorPosition(), 4);
        }
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(window_->Flow()->KeptStudent()->MatrText, std::string("5193"));
        QTest::keyClick(window_.get(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(!window_->isVisible());
        const DataStore& store = window_->Flow()->Store();
        QVERIFY(store.Registry().IsClosed() && store.ExamFile().IsClosed() &&
                store.YearFile().IsClosed());
    }

    // A career longer than the window's 40 lines is drawn whole and scrolls into view, and on
    // a screen smaller than the window (run again on one by ctest) the window keeps within it,
    // its card scrolling both ways.
    void aLongCardScrollsAndTheWindowKeepsWithinTheScreen() {
        const testdata::TempDataDir data;
        data.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
        data.Write("esami.grp",
                   "A1 MAT1 Analisi\r\nA1 LONG Analisi" + std::string(60, 'M') + " e Fine\r\n");
        // Student 10 with exams (MAT1, grade 28, date) in years of the chart; with a chart,
        // the registry's fields from its years on.
        const auto write = [&](int examCount, const std::vector<std::string>& years,
                               const std::vector<std::string>& exams, const char* chart = "") {
            std::string registry = testdata::RegistryText(10, examCount, int(years.size()), 1, 1);
            if (*chart != '\0') registry.replace(5, 36, chart);
            data.Write("elenco.dir", testdata::Slots({registry}, kRegistrySlotSize));
            data.Write("velmara.dir", testdata::Slots(years, kYearSlotSize));
            data.Write("esami.dir", testdata::Slots(exams, kExamSlotSize));
        };
        std::vector<std::string> exams;
        for (int month = 11; month < 71; ++month) {  // monthly from December 1996
            char text[16];
            std::snprintf(text, sizeof text, "MAT128%02d%02d15", (96 + month / 12) % 100,
                          month % 12 + 1);
            exams.push_back(text);
        }
        write(60, {"009697", "009798"}, exams);
        Open(false, QString::fromStdString(data.DataDir()));
        Look("10");
        QVERIFY(window_->ShowsCard());

        const QRect room = window_->screen()->availableGeometry();
        QVERIFY(room.contains(window_->frameGeometry()));
        // The last row lies below the window's 40 lines, and the card scrolls down to it.
        const int line = window_->PixelsY(window_->CharHeight());
        const int fortyLines =
            window_->PixelsY(window_->BarHeight() + 40.0 * window_->CharHeight()) -
            window_->PixelsY(window_->BarHeight());
        const QImage card = card_->grab().toImage();
        const int lowestInk = InkOf(card).bounds.bottom();
        QVERIFY2(lowestInk > fortyLines + 15 * line, qPrintable(QString::number(lowestInk)));
        QVERIFY(lowestInk < card.height());
        auto* scroller = window_->findChild<QScrollArea*>();
        QVERIFY(scroller->verticalScrollBar()->maximum() > 0);
        // Sideways, it scrolls only to texts out of sight: on a screen narrower than the card,
        // or zoomed in; not for the strip the upright scroll bar covers.
        const bool narrow = room.width() < window_->PixelsX(60.0 * window_->CharWidth());
        QCOMPARE(scroller->horizontalScrollBar()->isVisibleTo(window_.get()), narrow);
        window_->SetZoom(200);
        QTRY_VERIFY(scroller->horizontalScrollBar()->isVisibleTo(window_.get()));
        window_->SetZoom(100);
        QTRY_COMPARE(scroller->horizontalScrollBar()->isVisibleTo(window_.get()), narrow);

        // End and Home scroll to the card's end and top. Scrolled to its end, the card's menu
        // asked for from the keyboard opens at the corner of what is in sight, not at the
        // card's top out of sight.
        QTest::keyClick(card_, Qt::Key_End);
        QCOMPARE(scroller->verticalScrollBar()->value(), scroller->verticalScrollBar()->maximum());
        QTest::keyClick(card_, Qt::Key_Home);
        QCOMPARE(scroller->verticalScrollBar()->value(), 0);
        QTest::keyClick(card_, Qt::Key_End);
        QPoint menuAt;
        const auto connection =
            connect(card_, &CardView::menuRequested, [&](QPoint globalPos) { menuAt = globalPos; });
        QTest::keyClick(card_, Qt::Key_F10, Qt::ShiftModifier);
        disconnect(connection);
        menu_->hide();
        QCOMPARE(menuAt, scroller->viewport()->mapToGlobal(QPoint(0, 0)));

        // Exams years past a still-enrolled student's chart (a data fault that the check
        // reports) stand far below it, some 280 lines down: the card scrolls to them.
        write(6, {"009091"},
              {"MAT128910201", "MAT128920615", "MAT128930710", "MAT128940705", "MAT128950620",
               "MAT128960701"},
              "1780520100MI9091SC959654000000110  *");
        Look("10");
        QVERIFY(card_->CardText().contains(QStringLiteral("01/07/96")));
        const int lateInk = InkOf(card_->grab().toImage()).bounds.bottom();
        QVERIFY2(lateInk > 260 * line, qPrintable(QString::number(lateInk)));

        // An exam dated a century past a chart of two weeks is drawn far below it: the card
        // stops at 16,384 pixels, not at an image of gigabytes.
        write(2, {"009697"}, {"MAT128301105", "MAT128291231"},
              "1780520100MI3031SC959654301115110  *");
        Look("10");
        QVERIFY(card_->CardText().contains(QStringLiteral("31/12/29")));
        QVERIFY(card_->height() <= 16384);
        QVERIFY(InkOf(card_->grab().toImage()).pixels > 500);

        // An exam name longer than the window is wide is drawn whole, and the card scrolls
        // sideways to its end.
        write(2, {"009697"}, {"LONG28971105", "MAT128980615"});
        Look("10");
        const int designed = window_->PixelsX(60.0 * window_->CharWidth());
        QVERIFY2(InkOf(card_->grab().toImage()).bounds.right() > designed + 40,
                 qPrintable(QString::number(InkOf(card_->grab().toImage()).bounds.right())));
        QVERIFY(scroller->horizontalScrollBar()->isVisibleTo(window_.get()));
        QVERIFY(scroller->horizontalScrollBar()->maximum() > 40);

        // A size the user sets is kept when the window moves; on another screen the window
        // keeps within it again.
        const QSize chosen = room.size() + QSize(40, 40);
        window_->resize(chosen);
        window_->move(window_->pos() + QPoint(1, 1));
        QTest::qWait(20);
        QCOMPARE(window_->size(), chosen);
        emit window_->windowHandle()->screenChanged(window_->screen());
        QTRY_VERIFY(window_->width() <= room.width() && window_->height() <= room.height());
    }

    // The card shown by Enter, the button and a number given at start; an edit clears it, a
    // number not on file is reported, and "&Stampa" always prints the student found. (That the
    // flow keeps the last student found is DisplayFlowTest's to check.)
    void displayingEditingAndPrintingTheFoundStudent() {
        Open(true);
        QCOMPARE(window_->height(),
                 window_->PixelsY(window_->BarHeight() + 40.0 * window_->CharHeight()));
        const QImage byEnter = CardArea();
        QVERIFY(InkOf(byEnter).pixels > 500);
        TxtMatr->selectAll();
        QTest::keyClicks(TxtMatr, QStringLiteral("5193"));
        QTest::mouseClick(CmdVis, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(CardArea(), byEnter);
        // The window keeps the card to paint it again.
        window_->hide();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->repaint();
        QCOMPARE(CardArea(), byEnter);

        TxtMatr->end(false);
        QTest::keyClick(TxtMatr, Qt::Key_1);  // "51931", not on file
        QVERIFY(!window_->ShowsCard());
        QCOMPARE(window_->height(), CompactHeight());
        // "&Stampa" prints the student of the last successful lookup, not the one typed, which
        // stays as it was typed.
        QVERIFY(CmdPri->isEnabled());
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(printer_->numbers, std::vector<std::string>{"5193"});
        QVERIFY(!TxtMatr->hasSelectedText());

        TxtMatr->selectAll();
        QTest::keyClicks(TxtMatr, QStringLiteral("5"));  // a gap in the registry
        {
            BoxCloser box;
            QTest::keyClick(TxtMatr, Qt::Key_Return);
            QCOMPARE(QStringList({box.caption, box.text}),
                     QStringList({"Velmaro Studenti", "Matricola NON Trovata"}));
            // Wide enough for a title bar to show the caption in bold beside an icon and three
            // buttons, some twelve letters' width.
            QFont bold = QApplication::font();
            bold.setBold(true);
            const QFontMetrics metrics(bold);
            const int titleBar =
                metrics.horizontalAdvance(box.caption) + 12 * metrics.averageCharWidth();
            QVERIFY2(box.width >= titleBar, qPrintable(QString::number(box.width)));
        }
        QVERIFY(!CmdPri->isEnabled() && !window_->ShowsCard());
        // The next number typed replaces the one not found.
        Reactivate();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(TxtMatr->selectedText(), QStringLiteral("5"));
        QTest::keyClicks(TxtMatr, QStringLiteral("2000"));
        QCOMPARE(TxtMatr->text(), QStringLiteral("2000"));

        // A number given at start is shown already displayed; a line end that came with it is
        // dropped, as from a paste.
        window_->ShowNumber(QStringLiteral("50\r"));
        QCOMPARE(TxtMatr->text(), QStringLiteral("50"));
        QVERIFY(window_->ShowsCard() && CmdPri->isEnabled());
        QVERIFY(card_->CardText().contains(QStringLiteral("Matr.: 50\t")));
        QVERIFY(CardArea() != byEnter);

        // A failed print is shown as plain text, escaped (the error names a file with a
        // terminal sequence and markup in its name), and the window goes on.
        struct FailingPrinter final : CardPrinter {
            Status PrintCard(const CardInput&, const CutOffQuestion&) override {
                return Error{"/out/\x1b[2J<b>card.pdf</b>", "\xc2\x9b gone"};
            }
        };
        window_->SetCardPrinter(std::make_unique<FailingPrinter>());
        Reactivate();
        BoxCloser box;
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(box.text, QStringLiteral("/out/\\x1b[2J<b>card.pdf</b>: \\xc2\\x9b gone"));
        QCOMPARE(box.format, Qt::PlainText);
        QCOMPARE(box.caption, QStringLiteral("Velmaro Studenti"));
        QVERIFY(window_->isVisible() && window_->ShowsCard() && CmdPri->isEnabled());

        // A window the user maximized keeps its size through an edit and a lookup.
        window_->showMaximized();
        QTRY_VERIFY(window_->size().height() > CompactHeight() * 4);
        const QSize maximized = window_->size();
        TxtMatr->setText(QStringLiteral("4"));
        QCOMPARE(window_->size(), maximized);
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QVERIFY(window_->ShowsCard() && window_->isMaximized());
        QCOMPARE(window_->size(), maximized);
    }

    // A card that runs past the bottom of its page (5193 with its exam count raised so that it
    // takes the next students' exams too), past its right edge (exam names ninety letters
    // longer) or both asks before it is printed, saved or copied as a page, saying which edges
    // cut it off: "Continua" (also Enter) goes on, "Annulla" (also Esc) prints nothing and
    // gives the number its focus back. The sample's own card is printed without a question.
    void aCardLongerThanThePageAsksBeforeItIsPrinted() {
        // Presses the button labelled label, or Enter for none.
        const auto answer = [](const QString& label) {
            return [label](QMessageBox& box) {
                if (label.isEmpty()) return QTest::keyClick(&box, Qt::Key_Return);
                for (QAbstractButton* button : box.buttons()) {
                    if (button->text() == label) return button->click();
                }
                QFAIL("no such button");
            };
        };
        // The question asked when "&Stampa" is pressed, answered by act.
        const auto askedOnPrint = [this](const std::function<void(QMessageBox&)>& act) {
            QString text;
            WhenOpen<QMessageBox> box([&](QMessageBox& shown) {
                text = shown.text() + " " + shown.informativeText();
                act(shown);
            });
            QTest::mouseClick(CmdPri, Qt::LeftButton);
            Reactivate();
            return box.seen ? text : QString();
        };
        QTemporaryDir data[3];
        int next = 0;
        for (const auto& [changes, said] :
             {std::pair{SampleChanges{.longNames = true},
                        "più larga di una pagina: stampata, salvata o copiata come pagina, si "
                        "interrompe al suo bordo destro."},
              {SampleChanges{.manyRows = true, .longNames = true},
               "più lunga e più larga di una pagina: stampata, salvata o copiata come pagina, si "
               "interrompe ai suoi bordi inferiore e destro."},
              {SampleChanges{.manyRows = true},
               "più lunga di una pagina: stampata, salvata o copiata come pagina, si interrompe "
               "al suo bordo inferiore."}}) {
            QVERIFY(CopySampleInto(data[next], changes));
            Open(true, data[next++].path());
            QVERIFY(window_->ShowsCard());
            const QString text =
                askedOnPrint([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
            QCOMPARE(text, QStringLiteral("La scheda di 5193 è ") + QString::fromUtf8(said) +
                               QStringLiteral(" La finestra la mostra intera. Continuare?"));
            QVERIFY(printer_->numbers.empty());
        }
        QVERIFY(!askedOnPrint(answer(QStringLiteral("Annulla"))).isEmpty());
        QVERIFY(printer_->numbers.empty());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QVERIFY(!askedOnPrint(answer(QStringLiteral("Continua"))).isEmpty());
        QVERIFY(!askedOnPrint(answer(QString())).isEmpty());
        QCOMPARE(printer_->numbers, (std::vector<std::string>{"5193", "5193"}));

        // The card files' page cuts it off too: saved or copied from the menu only once the
        // question is answered, before any file is asked for.
        QTemporaryDir saved;
        for (const auto& [action, file] :
             {std::pair{"MenuSavePdf", "card.pdf"}, std::pair{"MenuSaveImage", "card.png"},
              std::pair{"MenuCopyImage", ""}}) {
            for (const bool goOn : {false, true}) {
                const QString path = saved.filePath(QString::fromUtf8(file));
                QApplication::clipboard()->clear();
                FileChooser chooser(path);
                WhenOpen<QMessageBox> box(
                    answer(goOn ? QStringLiteral("Continua") : QStringLiteral("Annulla")));
                Action(action)->trigger();
                QVERIFY2(box.seen, action);
                const bool toFile = *file != '\0';
                const bool made =
                    toFile ? QFile::exists(path) : !QApplication::clipboard()->image().isNull();
                QVERIFY2(made == goOn && chooser.seen == (toFile && goOn), action);
                Reactivate();
            }
        }
    }

    void aSmallWindowScrollsAndZoomRedrawsTheCardAsVectors() {
        Open();
        QCOMPARE(window_->minimumSize(),
                 QSize(window_->PixelsX(window_->WindowWidth()), CompactHeight()));
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        auto* area = window_->findChild<QScrollArea*>();
        QCOMPARE(area->verticalScrollBar()->maximum(), 0);  // the whole card fits at 100 %
        const QSize atHundred = card_->size();
        window_->resize(400, 300);
        QCOMPARE(window_->size(), QSize(window_->minimumSize().width(), 300));
        QVERIFY(area->verticalScrollBar()->maximum() > 0);
        QVERIFY(CmdExi->geometry().right() < window_->width());

        // Drawn again as vectors: at 200 % the card is twice as large, and the rule under the
        // row of controls stays one pixel thick (a scaled bitmap would make it two). Run again
        // by ctest where memory runs out for the card's image at 200 %: it is drawn all the same.
        window_->SetZoom(200);
        QVERIFY(area->horizontalScrollBar()->maximum() > 0);
        QVERIFY(std::abs(card_->width() - 2 * atHundred.width()) <= 1);
        QVERIFY(std::abs(card_->height() - 2 * atHundred.height()) <= 1);
        const int ruleAtHundred =
            window_->PixelsY(window_->BarHeight()) - window_->PixelsY(2.0 * window_->CharHeight());
        const QImage zoomed = card_->grab(QRect(0, 0, 40, 4 * ruleAtHundred)).toImage();
        int firstDark = 0;
        while (firstDark < zoomed.height() && qGray(zoomed.pixel(20, firstDark)) >= 128)
            ++firstDark;
        QVERIFY(std::abs(firstDark - 2 * ruleAtHundred) <= 2);
        QVERIFY(qGray(zoomed.pixel(20, firstDark + 1)) >= 128);

        // From a zoom, presses of Ctrl and a key give a zoom: Ctrl+- down to 50 %, Ctrl++ up to
        // 400 %, Ctrl+= like Ctrl++, Ctrl+0 back to 100 %, and a zoom set beyond the bound.
        for (const auto& [start, key, presses, zoom] : {std::tuple{100, Qt::Key_Minus, 8, 50},
                                                        {50, Qt::Key_Plus, 12, 400},
                                                        {100, Qt::Key_Equal, 1, 125},
                                                        {400, Qt::Key_0, 1, 100},
                                                        {1000, Qt::Key_unknown, 0, 400}}) {
            window_->SetZoom(start);
            for (int i = 0; i < presses; ++i)
                QTest::keyClick(window_.get(), key, Qt::ControlModifier);
            QVERIFY2(window_->Zoom() == zoom,
                     qPrintable(QString("from %1 %: %2 %").arg(start).arg(window_->Zoom())));
        }
    }

    // The card's menu opens by mouse and keyboard, copies the card's text (which a screen reader
    // reads too) and image, and saves it as PDF and as image.
    void theCardsMenuCopiesAndSavesTheCard() {
        QTemporaryDir saved;
        Open(true);
        QStringList entries;
        for (QAction* action : menu_->actions())
            if (!action->isSeparator()) entries << action->text();
        QCOMPARE(entries,
                 QStringList({"Stampa\u2026", "Anteprima di stampa\u2026", "Salva come PDF\u2026",
                              "Salva come immagine\u2026", "Copia immagine", "Copia testo"}));
        // Right click and the Menu key (a context menu event from the platform) open it, and
        // so does Shift+F10, which comes as a key.
        for (const auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard}) {
            QContextMenuEvent event(reason, QPoint(30, 30), card_->mapToGlobal(QPoint(30, 30)));
            QApplication::sendEvent(card_, &event);
            QTRY_VERIFY(menu_->isVisible());
            menu_->hide();
        }
        QTest::keyClick(card_, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu_->isVisible());
        menu_->hide();
        // A click on the card, either button, leaves the keyboard with the number's box.
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mouseClick(card_, button, {}, QPoint(30, 30));
            menu_->hide();
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        }

        QApplication::clipboard()->clear();
        card_->setFocus();  // as Tab leaves it before the Menu key; copied, the box has it
        Action("MenuCopyText")->trigger();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        const QString text = QApplication::clipboard()->text();
        // The card's text in reading order: the four header lines, field by field with a tab
        // between fields, runs of blanks made one; then one line per exam (as many as the header
        // counts, a grade pushed to the next line still on its exam's, the year marks left
        // out); the two averages, drawn last, after their labels. Empty lines do not count.
        const QRegularExpression cardText(QStringLiteral(
            "^\\n*Matr\\.: 5193\\tN\\.: [^\\t]+\\tCAP: \\d+\\tProv\\.: \\w+\\tSesso: [MF]\\n+"
            "A\\.S\\. Dip\\.: \\d\\d/\\d\\d\\tV\\.Mat\\.: \\d+\\tDip\\.: \\S.*\\n+"
            "A\\.A\\. Imm\\.: \\d\\d/\\d\\d\\tN\\.Anni: \\d+\\tN\\.Esa\\.: "
            "26\\t<V_30>: \\d\\d(,\\d\\d?)?\\t<V_110>: \\d+,\\d\\d\\n+"
            "D\\.Lau\\.: \\d\\d/\\d\\d/\\d\\d\\tV\\.Lau\\.: \\d+\\n+"
            "(\\d\\d/\\d\\d/\\d\\d \\d \\S.*\\t(\\d\\d|30 e lode|idoneo)\\n+){26}$"));
        QVERIFY2(cardText.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(QAccessible::queryAccessibleInterface(card_)->text(QAccessible::Value), text);

        QApplication::clipboard()->clear();
        Action("MenuCopyImage")->trigger();
        QVERIFY(InkOf(QApplication::clipboard()->image()).pixels > 1000);

        for (const auto& [action, file] :
             {std::pair{"MenuSavePdf", "scheda.pdf"}, std::pair{"MenuSaveImage", "scheda.png"}}) {
            FileChooser chooser(saved.filePath(QString::fromUtf8(file)));
            Action(action)->trigger();
            QVERIFY2(QFile::exists(saved.filePath(QString::fromUtf8(file))), file);
        }
        // The PDF is the page a PDF printer writes (print_job_tests), titled as its job.
        QVERIFY(testing::ProgramOutput("pdftotext", {saved.filePath("scheda.pdf"), "-"})
                    .contains("Matr.: 5193"));
        const QString info = testing::ProgramOutput("pdfinfo", {saved.filePath("scheda.pdf")});
        QVERIFY2(info.contains(QRegularExpression("Title: +Velmaro - Matr. 5193\n")) &&
                     info.contains(QRegularExpression("Pages: +1\n")) &&
                     info.contains(QRegularExpression("Page size: +595 x 842 pts \\(A4\\)")),
                 qPrintable(info));
        const QImage image(saved.filePath("scheda.png"));
        QCOMPARE(image.size(), QSize(1240, 1754));  // A4 at 150 dpi
        QVERIFY(InkOf(image).pixels > 1000);
    }

    // Ctrl+P opens the print dialog, only once a student was found; cancelled, the dialog
    // prints and reports nothing. Ctrl+Shift+P previews the one page, and with the printing
    // tests' CUPS queue as default printer it must not spool.
    void printShortcutsNeedAStudentAndAPreviewIsNoJob() {
        const bool spooler = CupsKnowsQueue("velmaro-test");
        if (spooler) qputenv("PRINTER", "velmaro-test");
        const int lastJob = spooler ? CupsLastJobId("velmaro-test") : 0;
        Open();
        // Both dialogs start from the card's page: the margins of the card files.
        const auto cardMargins = [](const QPrinter& printer) {
            return printer.pageLayout().margins(QPageLayout::Inch) == QMarginsF(0.5, 0.5, 0.5, 0.5);
        };
        bool dialogMargins = false;
        WhenOpen<QPrintDialog> dialog([&](QPrintDialog& shown) {
            dialogMargins = cardMargins(*shown.printer());
            shown.reject();
        });
        QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier);
        QTest::qWait(20);
        QVERIFY(!dialog.seen);
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        {
            BoxCloser noBox;
            QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier);
            QVERIFY(dialog.seen);
            QVERIFY(dialogMargins);
            QCOMPARE(noBox.text, QString());
        }
        Reactivate();

        int pages = -1;
        bool previewMargins = false;
        WhenOpen<QPrintPreviewDialog> preview([&](QPrintPreviewDialog& shown) {
            pages = shown.findChild<QPrintPreviewWidget*>()->pageCount();
            previewMargins = cardMargins(*shown.printer());
            shown.reject();
        });
        {
            BoxCloser noBox;  // nothing else may open: a preview is no print job
            QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(pages, 1);
            QVERIFY(previewMargins);
            QTest::qWait(50);
            QCOMPARE(noBox.text, QString());
        }
        if (spooler) QCOMPARE(CupsLastJobId("velmaro-test"), lastJob);
        qunsetenv("PRINTER");
        Reactivate();

        auto dialogPrinter = std::make_unique<RecordingPrinter>();
        const std::vector<std::string>& printed = dialogPrinter->numbers;
        window_->SetDialogPrinter(std::move(dialogPrinter));
        QTest::keyClick(window_.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(printed, std::vector<std::string>{"5193"});
    }

    // Every dialog that names a file refuses a data file, which stays as it was: the save
    // dialogs, "print to file" in the print dialog, and printing from the preview, which asks
    // in the print dialog or, without a print system, for a PDF file. After a lookup that could
    // not read its files the last card stays in view, but nothing prints, saves or copies it as
    // the found student's: no "Matricola NON Trovata" from its menu while it is shown.
    void dataFilesAreNeverWrittenAndMissingOnesAreErrors() {
        QTemporaryDir data;
        QVERIFY(CopySampleInto(data, {}));
        Open(true, data.path());
        // Nor does a save wait without end for a named pipe that no program reads.
        for (const auto& [action, file] :
             {std::pair{"MenuSavePdf", "elenco.dir"}, std::pair{"MenuSaveImage", "titoli.grp"},
              std::pair{"MenuPrint", "esami.dir"}, std::pair{"MenuPreview", "velmara.dir"},
              std::pair{"MenuSavePdf", "pipe.pdf"}, std::pair{"MenuSaveImage", "pipe.png"}}) {
            const QString path = data.filePath(QString::fromUtf8(file));
            const bool pipe = path.contains(QStringLiteral("pipe."));
            if (pipe) QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
            FileChooser chooser(path);
            WhenOpen<QPrintDialog> printToFile([&](QPrintDialog& dialog) {
                auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
                printers->setCurrentIndex(printers->count() - 1);  // "Print to File (PDF)"
                dialog.findChild<QLineEdit*>(QStringLiteral("filename"))->setText(path);
                QMetaObject::invokeMethod(&dialog, "accept", Qt::QueuedConnection);
            });
            WhenOpen<QPrintPreviewDialog> preview([](QPrintPreviewDialog& dialog) {
                for (QAction* print : dialog.findChildren<QAction*>()) {
                    if (print->text() == QStringLiteral("Print"))
                        QMetaObject::invokeMethod(print, "trigger", Qt::QueuedConnection);
                }
            });
            BoxCloser box;
            Action(action)->trigger();
            QTRY_COMPARE(box.text,
                         path + (pipe ? ": una pipe con nome (FIFO) che nessun programma legge"
                                      : ": è uno dei file di dati, che Velmaro non sovrascrive "
                                        "mai: scegliere un altro nome"));
            QFile written(path), sample(kSampleDir + "/" + file);
            QVERIFY2(pipe ? written.remove()
                          : written.open(QIODevice::ReadOnly) && sample.open(QIODevice::ReadOnly) &&
                                written.readAll() == sample.readAll(),
                     file);
            Reactivate();
        }

        const char* keptCardItems[] = {"MenuPrint", "MenuPreview", "MenuSavePdf", "MenuSaveImage",
                                       "MenuCopyImage"};
        for (const char* item : keptCardItems)
            QVERIFY2(Action(item)->isEnabled(), item);
        QVERIFY(QFile::remove(data.filePath("esami.dir")));
        QTest::qWait(80);  // the file's name is looked at again after 50 ms
        BoxCloser box;
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(box.text, data.filePath("esami.dir") + ": file o cartella inesistente");
        // Typing the next number replaces the one that could not be read.
        QCOMPARE(TxtMatr->selectedText(), QStringLiteral("5193"));
        QVERIFY(window_->ShowsCard() && !CmdPri->isEnabled());
        for (const char* item : keptCardItems)
            QVERIFY2(!Action(item)->isEnabled(), item);
        QVERIFY(Action("MenuCopyText")->isEnabled());

        // Without one of its tables the window does not start, naming the file.
        QVERIFY(QFile::copy(kSampleDir + "/esami.dir", data.filePath("esami.dir")));
        QVERIFY(QFile::remove(data.filePath("titoli.grp")));
        FrmVel window(DataDirOf(data.path().toStdString()), CardContext{});
        const Status loaded = window.Form_Load();
        QVERIFY(!loaded.ok() && !loaded.error().reason.empty());
        QVERIFY(QString::fromStdString(loaded.error().file).endsWith("titoli.grp"));
        QVERIFY(window.Flow() == nullptr);
    }

    // Runs last: the standard dialogs above are driven by their English texts. Italian under
    // any system language (the tests run in the C locale).
    void standardDialogsSpeakItalian() {
        QVERIFY(InstallQtTranslations(*qApp));
        QCOMPARE(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"),
                 QStringLiteral("Anteprima di stampa"));
    }
};

}  // namespace velmaro

int main(int argc, char* argv[]) {
    // Offscreen, on the screen a test names (offscreen:configfile=...) or the platform's own.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QStringLiteral("offscreen"))) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    velmaro::FrmVelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_vel_test.moc"
