#include "shell/printing.h"
#include <QFontMetrics>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(PrintingTest, TheDialogOffersNoPageRangeTheReportsWouldIgnore) {
    for (bool selection : {false, true}) {
        QPrinter printer;
        printer.setPrintRange(QPrinter::PageRange);
        QPrintDialog dialog(&printer);
        OfferPrintChoices(dialog, selection);
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintCurrentPage));
        EXPECT_EQ(dialog.testOption(QAbstractPrintDialog::PrintSelection), selection);
        EXPECT_EQ(printer.printRange(), QPrinter::AllPages);
    }
}

TEST(PrintingTest, ReportsWiderThanThePageArePrintedSmallerToFit) {
    const QImage page(600, 800, QImage::Format_RGB32);
    const QString narrow = "Size      Modified  FileName";
    EXPECT_EQ(PlainLinesFont({narrow}, 600, &page).pointSizeF(), 8.0);

    const QString wide = narrow.repeated(6) + "Type"; // the last column of a wide grid
    const QFont fitted = PlainLinesFont({narrow, wide}, 600, &page);
    EXPECT_LT(fitted.pointSizeF(), 8.0);
    EXPECT_LE(QFontMetrics(fitted, &page).horizontalAdvance(wide), 600) << "the Type column stays on the page";

    EXPECT_EQ(PlainLinesFont({narrow.repeated(100)}, 600, &page).pointSizeF(), 4.0) << "never unreadably small";
}

} // namespace
} // namespace quillon
