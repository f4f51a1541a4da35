#pragma once

#include <QString>

#include <string>

#include "base/result.h"
#include "render/render_card.h"
#include "ui/card_page.h"

class QPaintDevice;
class QPrinter;

namespace velmaro {

// The name of a card's print job, and the title of its PDF: "Velmaro - Matr. <number as
// typed>", without its control characters and cut to 64 characters of the number. The rest is
// ASCII: back ends that make file names of job names (cups-pdf) keep it as it is.
QString PrintJobTitle(const std::string& matrText);

// The program's name as the creator of the PDF files it writes.
inline constexpr const char* kPdfCreator = "Velmaro";

// Paints card on device as the printer page: "Arial" 10 points, the printer's card frame
// (four empty lines first), origin at the device's own origin, cut at the device's edges (a
// printer's printable area), one page. A painter that
// cannot begin, or whose end fails, is an error naming targetName and the reason.
Status PaintCardJob(QPaintDevice& device, const std::string& targetName, const CardInput& card);

// Sets printer up for a card, before any dialog shows it: the paper its printer holds (Qt
// starts every printer on A4; a PDF printer keeps its paper), with the margins of the card
// files, half an inch, so that a printed card stands where it stands in a card file (most
// printers print that far from the edge); a side where the printer's own border is wider
// takes that border. Paper too small for them keeps its margins.
void UseCardPage(QPrinter& printer);

// One print job of card's page on printer: the job and
// its PDF carry PrintJobTitle and the creator kPdfCreator; a spooled job asks for one upright
// page to a sheet unless the dialog asked otherwise, whatever the queue's own defaults. A CUPS
// queue that is stopped or rejects jobs is an error before anything is drawn; after the job ends
// the spooler is asked whether it really took the job, and a job it does not hold, or aborted, is
// an error. Every error names the printer (or the PDF file) and the reason. A PDF printer's file is
// written as every card file is (see OutputFile): completely, or not at all; a named pipe that
// no program reads is refused.
Status PrintCardJob(QPrinter& printer, const CardInput& card);

// The resolution of the PDF files the window saves: a PDF printer's (QPrinter::HighResolution).
inline constexpr int kPdfPageResolution = 1200;

// Writes card's printer page as a PDF file at path, on the card files' page at
// kPdfPageResolution, titled PrintJobTitle: what a PDF printer writes, made without one, so
// that the print system, which may not answer, is never asked. Written as every card file is
// (see OutputFile); an error names path, also a named pipe that no program reads, which the
// window would wait for without end.
Status WriteCardPdf(const QString& path, const CardInput& card);

// How card fits the page WriteCardPdf writes it on.
PageFit CardPdfPageFit(const CardInput& card);

// What an error about printer names: its output file for a PDF printer, else the printer.
std::string PrintTargetName(const QPrinter& printer);

}  // namespace velmaro
