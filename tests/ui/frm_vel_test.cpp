#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/modal_closer.h"
#include "ui/card_printer.h"
#include "ui/frm_vel.h"

namespace velmaro {
namespace {

using testing::ModalCloser;

constexpr std::chrono::year_month_day kToday{std::chrono::year(2025), std::chrono::October,
                                             std::chrono::day(20)};
const QString kSampleDir = QStringLiteral(VELMARO_SAMPLE_DIR);
const QString kExamplesDataDir = QStringLiteral(VELMARO_EXAMPLES_DIR "/data");
const char* const kDataFiles[] = {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp",
                                  "titoli.grp"};

// A print target that writes job n to its own PDF file, job<n>.pdf in folder.
class PdfJobPrinter final : public CardPrinter {
  public:
    explicit PdfJobPrinter(QString folder) : folder_(std::move(folder)) {}

    Status PrintCard(const CardInput& card) override {
        numbers.push_back(card.student.MatrText);
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, PathOf(static_cast<int>(numbers.size())));
        return PrintCardOn(printer, card);
    }

    QString PathOf(int job) const {
        return QDir(folder_).filePath(QStringLiteral("job%1.pdf").arg(job));
    }

    std::vector<std::string> numbers;  // the MatrText of every job, in order

  private:
    QString folder_;
};

// What a closed message box showed.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Arms a closer that notes what the next message box shows and presses its OK button.
std::unique_ptr<ModalCloser> CloseNextMessageBox(SeenBox& seen) {
    return std::make_unique<ModalCloser>([&seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    });
}

int DarkPixelsInRow(const QImage& image, int y, int fromX, int toX) {
    int dark = 0;
    for (int x = fromX; x < toX && x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark;
}

int DarkPixelsInRows(const QImage& image, int fromY, int toY) {
    int dark = 0;
    for (int y = fromY; y < toY && y < image.height(); ++y)
        dark += DarkPixelsInRow(image, y, 0, image.width());
    return dark;
}

// The text of a PDF file, or what pdfinfo says of it.
QString RunPoppler(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& path) {
    const QString info = RunPoppler(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

QString PdfText(const QString& path) {
    return RunPoppler(QStringLiteral("pdftotext"),
                      {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

}  // namespace

// The main window on the offscreen platform, with the sample data set.
class FrmVelTest : public QObject {
    Q_OBJECT

  private:
    // A loaded, shown and active window on dataDir whose prints go to job files in jobs_.
    void Open(const QString& dataDir = kSampleDir) {
        window_ = std::make_unique<FrmVel>(DataDirOf(dataDir.toStdString()),
                                           CardContext{[] { return kToday; }, ","});
        const Status loaded = window_->Form_Load();
        QVERIFY2(loaded.ok(), loaded.ok() ? "" : loaded.error().Message().c_str());
        auto printer = std::make_unique<PdfJobPrinter>(jobs_->path());
        printer_ = printer.get();
        window_->SetCardPrinter(std::move(printer));
        TxtMatr = window_->findChild<QLineEdit*>(QStringLiteral("TxtMatr"));
        LblMatr = window_->findChild<QLabel*>(QStringLiteral("LblMatr"));
        CmdVis = window_->findChild<QPushButton*>(QStringLiteral("CmdVis"));
        CmdPri = window_->findChild<QPushButton*>(QStringLiteral("CmdPri"));
        CmdExi = window_->findChild<QPushButton*>(QStringLiteral("CmdExi"));
        QVERIFY(TxtMatr && LblMatr && CmdVis && CmdPri && CmdExi);
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        TxtMatr->setFocus();
    }

    // Replaces the number in the text box as a user would: select all, type.
    void TypeNumber(const QString& text) {
        TxtMatr->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(TxtMatr, Qt::Key_Delete);
        } else {
            QTest::keyClicks(TxtMatr, text);
        }
        QCOMPARE(TxtMatr->text(), text);
    }

    int CompactHeight() const { return window_->PixelsY(window_->BarHeight()); }
    int ExpandedHeight() const {
        return window_->PixelsY(window_->BarHeight() + 40.0 * window_->CharHeight());
    }
    QImage Grab() const { return window_->grab().toImage(); }
    // What the window shows below its row of controls (whose caret may blink).
    QImage GrabCardArea() const {
        const QImage all = Grab();
        return all.copy(0, CompactHeight(), all.width(), all.height() - CompactHeight());
    }

    std::unique_ptr<QTemporaryDir> jobs_;
    std::unique_ptr<FrmVel> window_;
    PdfJobPrinter* printer_ = nullptr;
    QLineEdit* TxtMatr = nullptr;
    QLabel* LblMatr = nullptr;
    QPushButton* CmdVis = nullptr;
    QPushButton* CmdPri = nullptr;
    QPushButton* CmdExi = nullptr;

  private slots:
    void init() {
        jobs_ = std::make_unique<QTemporaryDir>();
        QVERIFY(jobs_->isValid());
    }
    void cleanup() { window_.reset(); }

    void startUpShowsTheCompactRowLaidOutFromM() {
        Open();
        FrmVel& w = *window_;
        QCOMPARE(w.windowTitle(), QStringLiteral("Velmaro Studenti"));
        QVERIFY(!w.windowIcon().pixmap(QSize(16, 16)).isNull());
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));

        // "M" in "Arial" 8 points at the window's resolution, in twips.
        const QFont arial8 = w.WindowFont();
        QCOMPARE(arial8.family(), QStringLiteral("Arial"));
        QCOMPARE(arial8.pointSizeF(), 8.0);
        const QFontMetricsF metrics(arial8, &w);
        const double twipsPerPixelX = 1440.0 / w.logicalDpiX();
        const double twipsPerPixelY = 1440.0 / w.logicalDpiY();
        QCOMPARE(w.CharWidth(),
                 static_cast<int>(
                     std::lround(metrics.horizontalAdvance(QStringLiteral("M")) * twipsPerPixelX)));
        QCOMPARE(w.CharHeight(), static_cast<int>(std::lround(metrics.height() * twipsPerPixelY)));
        QVERIFY(w.CharWidth() > 0 && w.CharHeight() > 0);
        QCOMPARE(w.BarHeight(), 4 * w.CharHeight());

        QCOMPARE(w.height(), CompactHeight());
        QCOMPARE(w.width(), w.PixelsX(60.0 * w.CharWidth()));
        QCOMPARE(w.WindowWidth(), static_cast<int>(std::lround(w.width() * twipsPerPixelX)));
        QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
        QVERIFY(!CmdPri->isEnabled());
        QVERIFY(!w.ShowsCard());

        // Three buttons centred in the last three quarters, from the width read back.
        const double quarter = w.WindowWidth() / 4.0;
        const double buttonWidth = quarter * 0.9;
        QCOMPARE(w.ButtonWidth(), buttonWidth);
        const struct {
            QPushButton* button;
            const char* text;
            double centre;
        } buttons[] = {{CmdVis, "&Visualizza", 1.5 * quarter},
                       {CmdPri, "&Stampa", 2.5 * quarter},
                       {CmdExi, "&Esci", 3.5 * quarter}};
        int previousLeft = -1;
        for (const auto& b : buttons) {
            QCOMPARE(b.button->text(), QString::fromUtf8(b.text));
            QCOMPARE(b.button->y(), 0);
            QCOMPARE(b.button->height(), w.PixelsY(2.0 * w.CharHeight()));
            QCOMPARE(b.button->width(), w.PixelsX(buttonWidth));
            QCOMPARE(b.button->x(), w.PixelsX(b.centre - buttonWidth / 2));
            QVERIFY(b.button->x() > previousLeft);
            previousLeft = b.button->x();
            // The buttons keep the platform's font, not the window's.
            QCOMPARE(b.button->font(), QApplication::font(b.button));
        }
        QVERIFY(CmdExi->geometry().right() < w.width());

        // The label, then the text box two "M"s further, wide enough for "5193" plus an "M".
        QCOMPARE(LblMatr->text(), QStringLiteral("Matr."));
        QCOMPARE(LblMatr->font().family(), QStringLiteral("Arial"));
        QCOMPARE(LblMatr->font().pointSizeF(), 8.0);
        QCOMPARE(LblMatr->pos(), QPoint(0, 0));
        QCOMPARE(LblMatr->height(), w.PixelsY(2.0 * w.CharHeight()));
        QCOMPARE(LblMatr->width(),
                 w.PixelsX(metrics.horizontalAdvance(QStringLiteral("Matr.")) * twipsPerPixelX +
                           w.CharWidth()));
        QCOMPARE(TxtMatr->font().family(), QStringLiteral("Arial"));
        QCOMPARE(TxtMatr->font().pointSizeF(), 10.0);
        QCOMPARE(TxtMatr->y(), 0);
        QCOMPARE(TxtMatr->x(), w.PixelsX(LblMatr->width() * twipsPerPixelX + 2.0 * w.CharWidth()));
        QCOMPARE(TxtMatr->height(), w.PixelsY(2.0 * w.CharHeight()));
        QCOMPARE(TxtMatr->width(),
                 w.PixelsX(metrics.horizontalAdvance(QStringLiteral("5193")) * twipsPerPixelX +
                           w.CharWidth()));
        QCOMPARE(TxtMatr->palette().color(QPalette::Base), QColor(192, 255, 255));
        QVERIFY(TxtMatr->geometry().right() < CmdVis->x());

        // Tab order: label, text box, "&Visualizza", "&Esci", "&Stampa".
        QCOMPARE(LblMatr->nextInFocusChain(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(TxtMatr->nextInFocusChain(), static_cast<QWidget*>(CmdVis));
        QCOMPARE(CmdVis->nextInFocusChain(), static_cast<QWidget*>(CmdExi));
        QCOMPARE(CmdExi->nextInFocusChain(), static_cast<QWidget*>(CmdPri));
    }

    void enterAndClickDrawTheSameCard() {
        Open();
        QSignalSpy reachedBox(TxtMatr, &QLineEdit::returnPressed);
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(reachedBox.count(), 1);  // the key went on to the text box
        QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
        QVERIFY(window_->ShowsCard());
        QVERIFY(CmdPri->isEnabled());
        QCOMPARE(window_->height(), ExpandedHeight());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        const QImage byEnter = Grab();

        // The rule under the controls runs across the window at BarHeight ...
        const int ruleY = window_->PixelsY(window_->BarHeight());
        QVERIFY(DarkPixelsInRow(byEnter, ruleY, 0, byEnter.width()) > byEnter.width() * 9 / 10);
        // ... and the card starts one text line below it, at the left edge.
        const int cardTop = window_->PixelsY(window_->BarHeight() + window_->CharHeight());
        QCOMPARE(DarkPixelsInRows(byEnter, ruleY + 2, cardTop - 1), 0);
        QVERIFY(DarkPixelsInRows(byEnter, cardTop,
                                 cardTop + window_->PixelsY(window_->CharHeight())) > 0);

        // A click on "&Visualizza" after editing back to the same number draws the same card.
        TypeNumber(QStringLiteral("5193"));
        QVERIFY(!window_->ShowsCard());
        QTest::mouseClick(CmdVis, Qt::LeftButton);
        QVERIFY(window_->ShowsCard());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(TxtMatr));
        QCOMPARE(GrabCardArea(), byEnter.copy(0, CompactHeight(), byEnter.width(),
                                              byEnter.height() - CompactHeight()));

        // Displaying it again without an edit leaves exactly the same picture.
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(GrabCardArea(), byEnter.copy(0, CompactHeight(), byEnter.width(),
                                              byEnter.height() - CompactHeight()));
    }

    void repaintKeepsTheCard() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        const QImage drawn = GrabCardArea();
        window_->hide();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->repaint();
        QCOMPARE(GrabCardArea(), drawn);
        QVERIFY(DarkPixelsInRows(drawn, 1, drawn.height()) > 500);
    }

    void accessKeys() {
        Open();
        // Alt+S does nothing while "&Stampa" is disabled.
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        QTest::qWait(200);
        QVERIFY(printer_->numbers.empty());

        QTest::keyClick(window_.get(), Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(window_->ShowsCard());
        QTRY_VERIFY(CmdPri->isEnabled());

        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(printer_->numbers.size(), std::size_t{1});

        QTest::keyClick(window_.get(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(!window_->isVisible());
        QVERIFY(window_->Flow()->Store().Registry().IsClosed());
    }

    void editClearsTheCardButKeepsPrinting() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QVERIFY(window_->ShowsCard());

        TxtMatr->end(false);
        QTest::keyClick(TxtMatr, Qt::Key_1);  // "51931", not on file
        QCOMPARE(TxtMatr->text(), QStringLiteral("51931"));
        QVERIFY(!window_->ShowsCard());
        QCOMPARE(window_->height(), CompactHeight());
        QVERIFY(CmdPri->isEnabled());
        QVERIFY(window_->Flow()->StudentFound());
        QCOMPARE(DarkPixelsInRows(Grab(), CompactHeight(), window_->height()), 0);

        // "&Stampa" prints the student of the last successful lookup, not the one typed.
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(printer_->numbers, std::vector<std::string>{"5193"});
        QVERIFY(QFile::exists(printer_->PathOf(1)));
    }

    void numberNotOnFile_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("gap") << QStringLiteral("5");
        QTest::newRow("past the last") << QStringLiteral("9996");
        QTest::newRow("empty") << QString();
        QTest::newRow("letters") << QStringLiteral("abc");
        QTest::newRow("too large") << QStringLiteral("99999999999");
    }
    void numberNotOnFile() {
        QFETCH(QString, typed);
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        const Student before = *window_->Flow()->KeptStudent();
        TypeNumber(typed);

        SeenBox seen;
        const auto closer = CloseNextMessageBox(seen);
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QVERIFY(closer->Handled());
        QCOMPARE(seen.text, QStringLiteral("Matricola NON Trovata"));
        QCOMPARE(seen.caption, QStringLiteral("Velmaro Studenti"));
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        QVERIFY(!CmdPri->isEnabled());
        QVERIFY(!window_->ShowsCard());
        QCOMPARE(window_->height(), CompactHeight());
        // The offscreen platform does not give the window back its activation when the box
        // closes, so the focus is checked within the window.
        QCOMPARE(window_->focusWidget(), static_cast<QWidget*>(TxtMatr));
        const Student& after = *window_->Flow()->KeptStudent();
        QCOMPARE(after.MatrText, before.MatrText);
        QCOMPARE(after.fields.StudentRecord, before.fields.StudentRecord);
        QVERIFY(after.ExamRecs == before.ExamRecs);
    }

    void readErrorIsReportedAndTheProgramGoesOn() {
        Open();
        CmdExi->click();  // closes the data files
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));

        SeenBox seen;
        const auto closer = CloseNextMessageBox(seen);
        CmdVis->click();
        QVERIFY(closer->Handled());
        QVERIFY2(seen.text.contains(QStringLiteral("elenco.dir")), qPrintable(seen.text));
        QVERIFY(seen.text.contains(QStringLiteral("closed")));
        QCOMPARE(seen.caption, QStringLiteral("Velmaro Studenti"));
        QVERIFY(!window_->ShowsCard());
        QVERIFY(!CmdPri->isEnabled());
        QVERIFY(window_->isVisible());
    }

    void eachPrintIsOnePageJobWithTheCard() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(printer_->numbers.size(), std::size_t{2});

        const QString first = PdfText(printer_->PathOf(1));
        for (int job = 1; job <= 2; ++job)
            QCOMPARE(PdfPageCount(printer_->PathOf(job)), 1);
        QCOMPARE(PdfText(printer_->PathOf(2)), first);

        // The header of a graduate with 26 exams, and one row per exam, each with its date.
        for (const char* piece : {"Matr.: 5193", "N.Esa.:", "<V_30>:", "<V_110>:", "D.Lau.:"})
            QVERIFY2(first.contains(QString::fromUtf8(piece)), piece);
        QVERIFY(first.contains(QRegularExpression(QStringLiteral("N\\.Esa\\.:\\s+26"))));
        const qsizetype dates =
            first.count(QRegularExpression(QStringLiteral("\\b\\d\\d/\\d\\d/\\d\\d\\b")));
        QVERIFY2(dates >= 26, qPrintable(first));
        // The card starts four lines below the top of the page: the first line holds the number.
        QVERIFY(first.trimmed().startsWith(QStringLiteral("Matr.: 5193")));
    }

    void printJobThatCannotStartIsReported() {
        Open();
        // A target whose PDF file lies in a folder that does not exist.
        class UnwritablePrinter final : public CardPrinter {
          public:
            Status PrintCard(const CardInput& card) override {
                QPrinter printer(QPrinter::HighResolution);
                SetUpPdfPrinter(printer, QStringLiteral("/nonexistent-velmaro/card.pdf"));
                return PrintCardOn(printer, card);
            }
        };
        window_->SetCardPrinter(std::make_unique<UnwritablePrinter>());
        QTest::keyClick(TxtMatr, Qt::Key_Return);

        SeenBox seen;
        const auto closer = CloseNextMessageBox(seen);
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QVERIFY(closer->Handled());
        QVERIFY2(seen.text.contains(QStringLiteral("/nonexistent-velmaro/card.pdf")),
                 qPrintable(seen.text));
        QCOMPARE(seen.caption, QStringLiteral("Velmaro Studenti"));
        QVERIFY(CmdPri->isEnabled());
        QVERIFY(window_->ShowsCard());
    }

    void withoutPrinterThePageIsSavedAsPdf() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a printer is installed here");
        Open();
        window_->SetCardPrinter(std::make_unique<SystemCardPrinter>(window_.get()));
        QTest::keyClick(TxtMatr, Qt::Key_Return);

        // A cancelled question prints nothing.
        auto cancel = std::make_unique<ModalCloser>([](QWidget* modal) {
            QVERIFY(qobject_cast<QFileDialog*>(modal) != nullptr);
            qobject_cast<QDialog*>(modal)->reject();
        });
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QVERIFY(cancel->Handled());
        QVERIFY(QDir(jobs_->path()).entryList(QDir::Files).isEmpty());

        // A named file gets the page, with ".pdf" added.
        const QString chosen = QDir(jobs_->path()).filePath(QStringLiteral("printed"));
        QString caption;
        auto save = std::make_unique<ModalCloser>([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            caption = dialog->windowTitle();
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QVERIFY(save->Handled());
        QCOMPARE(caption, QStringLiteral("Velmaro Studenti"));
        QCOMPARE(PdfPageCount(chosen + QStringLiteral(".pdf")), 1);
        QVERIFY(PdfText(chosen + QStringLiteral(".pdf")).contains(QStringLiteral("Matr.: 5193")));
    }

    void exitClosesTheFiles() {
        Open();
        QVERIFY(!window_->Flow()->Store().ExamFile().IsClosed());
        QTest::mouseClick(CmdExi, Qt::LeftButton);
        QVERIFY(!window_->isVisible());
        QVERIFY(window_->Flow()->Store().Registry().IsClosed());
        QVERIFY(window_->Flow()->Store().ExamFile().IsClosed());
        QVERIFY(window_->Flow()->Store().YearFile().IsClosed());
    }

    void worksOnTheWorkedExampleData() {
        Open(kExamplesDataDir);
        TypeNumber(QStringLiteral("268"));
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QVERIFY(window_->ShowsCard());
        QCOMPARE(window_->Flow()->KeptStudent()->MatrText, std::string("268"));
    }

    void missingTableStopsStartUp_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("titles") << QStringLiteral("titoli.grp");
        QTest::newRow("exams") << QStringLiteral("esami.grp");
        QTest::newRow("registry") << QStringLiteral("elenco.dir");
    }
    void missingTableStopsStartUp() {
        QFETCH(QString, missing);
        QTemporaryDir data;
        for (const char* name : kDataFiles) {
            if (missing == QLatin1String(name)) continue;
            QVERIFY(QFile::copy(QDir(kSampleDir).filePath(QLatin1String(name)),
                                QDir(data.path()).filePath(QLatin1String(name))));
        }
        FrmVel window(DataDirOf(data.path().toStdString()), CardContext{});
        const Status loaded = window.Form_Load();
        QVERIFY(!loaded.ok());
        QVERIFY(QString::fromStdString(loaded.error().file).endsWith(missing));
        QVERIFY(!loaded.error().reason.empty());
        QVERIFY(window.Flow() == nullptr);
        QVERIFY(!window.isVisible());

        // The program reports it on standard error and ends with status 2.
        QProcess velmaro;
        velmaro.start(
            QStringLiteral(VELMARO_BIN_DIR "/velmaro"),
            {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--quit-after-show")});
        QVERIFY(velmaro.waitForFinished(30000));
        QCOMPARE(velmaro.exitCode(), 2);
        const QString errors = QString::fromUtf8(velmaro.readAllStandardError());
        QVERIFY2(errors.contains(QDir(data.path()).filePath(missing)), qPrintable(errors));
    }

    void commandLine() {
        const QString program = QStringLiteral(VELMARO_BIN_DIR "/velmaro");
        QProcess shown;
        shown.start(program, {QStringLiteral("--data-dir"), kSampleDir,
                              QStringLiteral("--quit-after-show")});
        QVERIFY(shown.waitForFinished(30000));
        QCOMPARE(shown.exitCode(), 0);

        QProcess unknown;
        unknown.start(program, {QStringLiteral("--colour")});
        QVERIFY(unknown.waitForFinished(30000));
        QCOMPARE(unknown.exitCode(), 2);
        QVERIFY(
            QString::fromUtf8(unknown.readAllStandardError()).contains(QStringLiteral("Usage")));

        QProcess help;
        help.start(program, {QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(30000));
        QCOMPARE(help.exitCode(), 0);
        QVERIFY(
            QString::fromUtf8(help.readAllStandardOutput()).contains(QStringLiteral("--data-dir")));
    }
};

}  // namespace velmaro

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    velmaro::FrmVelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_vel_test.moc"
