#pragma once
// Plain-text printing: reports in a small fixed-pitch face, one text line per
// printed line, and the printer choice, which tests replace to print into a
// PDF file without a dialog.
#include <QString>
#include <QStringList>
#include <functional>

class QPrintDialog;
class QFont;
class QPaintDevice;
class QPrinter;
class QWidget;

namespace quillon {

struct Printing {
    // Chooses the printer; false = cancelled. Unset, the print dialog is shown.
    static inline std::function<bool(QPrinter& printer)> chooser;
};

// Shows the print dialog (or the test chooser); false when cancelled. The
// dialog offers "Selection" only when asked to.
bool ChoosePrinter(QPrinter& printer, QWidget* parent, bool offerSelection = false);
// What the print dialog offers: all pages (no page range, no current page: the
// reports always print whole), the selection only when asked.
void OfferPrintChoices(QPrintDialog& dialog, bool offerSelection);

// Takes one printed line; false stops the source.
using PrintLineSink = std::function<bool(const QString& line)>;

// Prints the lines a source hands to its sink, one printed line each, in the
// font given, tabs expanded, starting new pages as needed. False when the
// printer could not be opened or a page not started.
bool PrintLineSource(QPrinter& printer, const QFont& font,
                     const std::function<void(const PrintLineSink&)>& source);

// "Courier New" 8 point, or smaller (not below 4) when the widest line would
// run past a page `pageWidth` device pixels wide.
QFont PlainLinesFont(const QStringList& lines, int pageWidth, const QPaintDevice* device);
// Prints the lines as they stand in PlainLinesFont.
bool PrintPlainLines(QPrinter& printer, const QStringList& lines);

// The report PrintLines prints: "   " + title, "   Printed : " + today's short
// date + two blanks + the long time, two empty lines, then every line with
// three blanks in front.
QStringList PrintLinesReport(const QStringList& lines, const QString& title);

// Prints the report on a chosen printer with the hourglass showing; says
// "Error printing report ... quitting" when the printer fails.
void PrintLines(QPrinter& printer, const QStringList& lines, const QString& title);

} // namespace quillon
