#include "shell/printing.h"
#include "platform/clock.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace quillon {

bool ChoosePrinter(QPrinter& printer, QWidget* parent, bool offerSelection) {
    if (Printing::chooser) return Printing::chooser(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
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

bool PrintPlainLines(QPrinter& printer, const QStringList& lines) {
    QFont font("Courier New", 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
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
