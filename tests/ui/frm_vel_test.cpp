#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ui/card_printer.h"
#include "ui/frm_vel.h"
#include "ui/print_job.h"

namespace velmaro {
namespace {

const QString kSampleDir = QStringLiteral(VELMARO_SAMPLE_DIR);

// A print target that writes job n to job<n>.pdf in folder.
class PdfJobPrinter final : public CardPrinter {
  public:
    explicit PdfJobPrinter(QString folder) : folder_(std::move(folder)) {}
    Status PrintCard(const CardInput& card) override {
        numbers.push_back(card.student.MatrText);
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, PathOf(static_cast<int>(numbers.size())));
        return PrintCardJob(printer, card);
    }
    QString PathOf(int job) const { return folder_ + QStringLiteral("/job%1.pdf").arg(job); }

    std::vector<std::string> numbers;  // the MatrText of every job, in order

  private:
    QString folder_;
};

// Armed before an action that opens a message box: notes what the box shows and presses OK.
struct BoxCloser {
    BoxCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) return;
            timer.stop();
            caption = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        timer.start(5);
    }
    QTimer timer;
    QString caption, text;
};

int DarkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

QString Poppler(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

// The main window on the offscreen platform, with the sample data set.
class FrmVelTest : public QObject {
    Q_OBJECT

    // A loaded, shown and active window whose prints go to job files in jobs_.
    void Open() {
        window_ = std::make_unique<FrmVel>(
            DataDirOf(kSampleDir.toStdString()),
            CardContext{[] { return std::chrono::year{2025} / 10 / 20; }, ","});
        QVERIFY(window_->Form_Load().ok());
        auto printer = std::make_unique<PdfJobPrinter>(jobs_.path());
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
    int CompactHeight() const { return window_->PixelsY(window_->BarHeight()); }
    // What the window shows below its row of controls (whose caret may blink).
    QImage CardArea() const {
        const QImage all = window_->grab().toImage();
        return all.copy(0, CompactHeight(), all.width(), all.height() - CompactHeight());
    }

    QTemporaryDir jobs_;
    std::unique_ptr<FrmVel> window_;
    PdfJobPrinter* printer_ = nullptr;
    QLineEdit* TxtMatr = nullptr;
    QLabel* LblMatr = nullptr;
    QPushButton *CmdVis = nullptr, *CmdPri = nullptr, *CmdExi = nullptr;

  private slots:
    void startUpShowsTheCompactRowLaidOutFromM() {
        Open();
        const FrmVel& w = *window_;
        // The layout unit: "M" in "Arial" 8 points at the window's resolution, in twips.
        const QFontMetricsF metrics(w.WindowFont(), &w);
        const double twipsPerPixel = 1440.0 / w.logicalDpiX();
        QCOMPARE(w.WindowFont().pointSizeF(), 8.0);
        QCOMPARE(w.CharWidth(), std::lround(metrics.horizontalAdvance("M") * twipsPerPixel));
        QCOMPARE(w.CharHeight(), std::lround(metrics.height() * 1440.0 / w.logicalDpiY()));
        QCOMPARE(w.BarHeight(), 4 * w.CharHeight());
        QCOMPARE(w.height(), CompactHeight());
        QCOMPARE(w.width(), w.PixelsX(60.0 * w.CharWidth()));
        QCOMPARE(TxtMatr->text(), QStringLiteral("5193"));
        QVERIFY(!CmdPri->isEnabled());

        // Three buttons centred in the last three quarters of the width read back, left to right.
        QCOMPARE(w.WindowWidth(), std::lround(w.width() * twipsPerPixel));
        const double quarter = w.WindowWidth() / 4.0, buttonWidth = quarter * 0.9;
        const int height = w.PixelsY(2.0 * w.CharHeight());
        const std::pair<QPushButton*, const char*> buttons[] = {
            {CmdVis, "&Visualizza"}, {CmdPri, "&Stampa"}, {CmdExi, "&Esci"}};
        for (int i = 0; i < 3; ++i) {
            const int left = w.PixelsX((1.5 + i) * quarter - buttonWidth / 2);
            QCOMPARE(buttons[i].first->text(), QString::fromUtf8(buttons[i].second));
            QCOMPARE(buttons[i].first->geometry(), QRect(left, 0, w.PixelsX(buttonWidth), height));
        }
        // The label, then the text box two "M"s further, wide enough for "5193" plus an "M".
        const int labelWidth =
            w.PixelsX(metrics.horizontalAdvance("Matr.") * twipsPerPixel + w.CharWidth());
        QCOMPARE(LblMatr->geometry(), QRect(0, 0, labelWidth, height));
        QCOMPARE(TxtMatr->geometry(),
                 QRect(w.PixelsX(labelWidth * twipsPerPixel + 2.0 * w.CharWidth()), 0,
                       w.PixelsX(metrics.horizontalAdvance("5193") * twipsPerPixel + w.CharWidth()),
                       height));
    }

    void enterClickAndRepaintShowTheSameCard() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(window_->height(),
                 window_->PixelsY(window_->BarHeight() + 40.0 * window_->CharHeight()));
        const QImage byEnter = CardArea();
        QVERIFY(DarkPixels(byEnter) > 500);

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
    }

    void accessKeysAndExitClosingTheFiles() {
        Open();
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);  // "&Stampa" is disabled
        QTest::keyClick(window_.get(), Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(window_->ShowsCard());
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(printer_->numbers, std::vector<std::string>{"5193"});
        QTest::keyClick(window_.get(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(!window_->isVisible());
        const DataStore& store = window_->Flow()->Store();
        QVERIFY(store.Registry().IsClosed() && store.ExamFile().IsClosed() &&
                store.YearFile().IsClosed());
    }

    void editClearsTheCardButKeepsPrinting() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        TxtMatr->end(false);
        QTest::keyClick(TxtMatr, Qt::Key_1);  // "51931", not on file
        QVERIFY(!window_->ShowsCard());
        QCOMPARE(window_->height(), CompactHeight());
        // "&Stampa" prints the student of the last successful lookup, not the one typed.
        QVERIFY(CmdPri->isEnabled());
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(printer_->numbers, std::vector<std::string>{"5193"});
    }

    void numberNotOnFile() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        const Student before = *window_->Flow()->KeptStudent();
        TxtMatr->selectAll();
        QTest::keyClicks(TxtMatr, QStringLiteral("5"));  // a gap in the registry

        BoxCloser box;
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QCOMPARE(box.text, QStringLiteral("Matricola NON Trovata"));
        QCOMPARE(box.caption, QStringLiteral("Velmaro Studenti"));
        QVERIFY(!CmdPri->isEnabled());
        QVERIFY(!window_->ShowsCard());
        const Student& after = *window_->Flow()->KeptStudent();
        QCOMPARE(after.MatrText, before.MatrText);
        QCOMPARE(after.fields.StudentRecord, before.fields.StudentRecord);
        QVERIFY(after.ExamRecs == before.ExamRecs);
    }

    void eachPrintIsOnePageJobWithTheCard() {
        Open();
        QTest::keyClick(TxtMatr, Qt::Key_Return);
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QTest::mouseClick(CmdPri, Qt::LeftButton);
        QCOMPARE(printer_->numbers.size(), std::size_t{2});
        for (int job = 1; job <= 2; ++job)
            QVERIFY(Poppler("pdfinfo", {printer_->PathOf(job)})
                        .contains(QRegularExpression("Pages:\\s+1\\n")));

        // The header of a graduate with 26 exams, and one row per exam, each with its date.
        const QString text = Poppler("pdftotext", {"-layout", printer_->PathOf(1), "-"});
        QVERIFY2(text.trimmed().startsWith("Matr.: 5193"), qPrintable(text));
        for (const char* piece : {"N.Esa.:", "<V_30>:", "<V_110>:", "D.Lau.:"})
            QVERIFY2(text.contains(QString::fromUtf8(piece)), piece);
        QVERIFY(text.contains(QRegularExpression("N\\.Esa\\.:\\s+26")));
        QVERIFY(text.count(QRegularExpression("\\b\\d\\d/\\d\\d/\\d\\d\\b")) >= 26);
    }

    void numberGivenAtStartIsShownAlreadyDisplayed() {
        Open();
        window_->ShowNumber(QStringLiteral("50"));
        QCOMPARE(TxtMatr->text(), QStringLiteral("50"));
        QVERIFY(window_->ShowsCard());
        QVERIFY(window_->height() > CompactHeight());
        QVERIFY(CmdPri->isEnabled());
    }

    void missingTableStopsStartUp() {
        const QString missing = QStringLiteral("titoli.grp");
        QTemporaryDir data;
        for (const char* name :
             {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp", "titoli.grp"})
            if (missing != QLatin1String(name))
                QVERIFY(QFile::copy(kSampleDir + "/" + name, data.filePath(name)));
        FrmVel window(DataDirOf(data.path().toStdString()), CardContext{});
        const Status loaded = window.Form_Load();
        QVERIFY(!loaded.ok() && !loaded.error().reason.empty());
        QVERIFY(QString::fromStdString(loaded.error().file).endsWith(missing));
        QVERIFY(window.Flow() == nullptr);

        // The program says so on standard error and ends with status 2.
        QProcess velmaro;
        velmaro.start(VELMARO_BIN_DIR "/velmaro", {"--data-dir", data.path(), "--quit-after-show"});
        QVERIFY(velmaro.waitForFinished(30000));
        QCOMPARE(velmaro.exitCode(), 2);
        const QByteArray error = velmaro.readAllStandardError();
        QVERIFY2(error.contains(data.filePath(missing).toUtf8()), error.constData());
        QVERIFY2(error.contains("given with --data-dir"), error.constData());
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
