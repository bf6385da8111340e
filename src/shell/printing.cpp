#include "shell/printing.h"
#include "platform/clock.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include <QFont>
#include <algorithm>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace quillon {

void OfferPrintChoices(QPrintDialog& dialog, bool offerSelection) {
    // Every report prints whole: a page range or "current page" would be
    // ignored, so they are not offered.
    dialog.printer()->setPrintRange(QPrinter::AllPages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
}

bool ChoosePrinter(QPrinter& printer, QWidget* parent, bool offerSelection) {
    if (Printing::chooser) return Printing::chooser(printer);
    QPrintDialog dialog(&printer, parent);
    OfferPrintChoices(dialog, offerSelection);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintLineSource(QPrinter& printer, const QFont& font,
                     const std::function<void(const PrintLineSink&)>& source) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect page = painter.viewport();
    bool printed = true;
    int y = 0;
    source([&](const QString& line) {
        if (y + metrics.height() > page.height() && y > 0) {
            if (!printer.newPage()) {
                printed = false;
                return false;
            }
            y = 0;
        }
        painter.drawText(QRect(0, y, page.width(), metrics.height()),
                         Qt::AlignLeft | Qt::TextSingleLine | Qt::TextExpandTabs, line);
        y += metrics.lineSpacing();
        return true;
    });
    return painter.end() && printed;
}

QFont PlainLinesFont(const QStringList& lines, int pageWidth, const QPaintDevice* device) {
    QFont font("Courier New", 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // A report wider than the page (a grid with many columns) is printed in a
    // smaller face so that its last column stays on the paper; not below 4 points.
    // The face is fixed-pitch: the widest line in one size is the widest in all.
    const QFontMetrics metrics(font, device);
    int width = 0;
    const QString* widestLine = nullptr;
    for (const QString& line : lines) {
        const int w = metrics.horizontalAdvance(line);
        if (w > width) width = w, widestLine = &line;
    }
    if (pageWidth <= 0 || width <= pageWidth) return font;
    const auto widthIn = [&](const QFont& face) {
        return QFontMetrics(face, device).horizontalAdvance(*widestLine);
    };
    // Glyph widths do not shrink exactly with the size: scale, then step down
    // until the widest line fits.
    double size = std::max(4.0, font.pointSizeF() * pageWidth / width);
    font.setPointSizeF(size);
    while (size > 4.0 && widthIn(font) > pageWidth) {
        size = std::max(4.0, size - 0.25);
        font.setPointSizeF(size);
    }
    return font;
}

bool PrintPlainLines(QPrinter& printer, const QStringList& lines) {
    const QFont font = PlainLinesFont(lines, printer.pageLayout().paintRectPixels(printer.resolution()).width(),
                                      &printer);
    return PrintLineSource(printer, font, [&](const PrintLineSink& print) {
        for (const QString& line : lines)
            if (!print(line)) return;
    });
}

QStringList PrintLinesReport(const QStringList& lines, const QString& title) {
    const QDateTime moment = ToQDateTime(Now());
    const QLocale locale;
    QStringList report;
    report << "   " + title;
    report << "   Printed : " + locale.toString(moment.date(), QLocale::ShortFormat) + "  " +
                  locale.toString(moment.time(), QLocale::LongFormat);
    report << QString() << QString();
    for (const QString& line : lines) report << "   " + line;
    return report;
}

void PrintLines(QPrinter& printer, const QStringList& lines, const QString& title) {
    bool printed = false;
    {
        WaitCursor wait;
        printed = PrintPlainLines(printer, PrintLinesReport(lines, title));
    }
    if (!printed) ShowErrorMessage("Error printing report ... quitting");
}

} // namespace quillon
