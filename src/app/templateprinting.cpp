// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "templateprinting.h"

#include "core/sealmillerror.h"
#include "dialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextOption>
#include <algorithm>

namespace {

bool systemHasPrinters() {
    return !QPrinterInfo::availablePrinters().isEmpty();
}

[[noreturn]] void cannotPrint(const QPrinter& printer) {
    throw sealmill::SealmillError(QStringLiteral("Cannot print on %1")
                                      .arg(printer.outputFileName().isEmpty()
                                               ? printer.printerName()
                                               : printer.outputFileName()));
}

// The editor's text as plain text in the editor's font, laid out for the
// printer's pages inside a 2 cm margin. A copy: printing never touches the
// editor's own document.
std::unique_ptr<QTextDocument> pagedCopy(const QPlainTextEdit& editor, QPrinter& printer) {
    auto copy = std::make_unique<QTextDocument>();
    copy->documentLayout()->setPaintDevice(&printer);
    QFont font = editor.font();
    if (font.pointSizeF() <= 0) {
        // A size in screen pixels would shrink on a printer's finer grid.
        font.setPointSizeF(font.pixelSize() * 72.0 / std::max(1, editor.logicalDpiY()));
    }
    copy->setDefaultFont(font);
    QTextOption option = copy->defaultTextOption();
    option.setTabStopDistance(editor.tabStopDistance() * printer.logicalDpiX() /
                              std::max(1, editor.logicalDpiX()));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    copy->setDefaultTextOption(option);
    copy->setPlainText(editor.toPlainText());
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    constexpr double kMarginInches = 2 / 2.54;
    frame.setMargin(kMarginInches * printer.logicalDpiY());
    copy->rootFrame()->setFrameFormat(frame);
    copy->setPageSize(QSizeF(printer.width(), printer.height()));
    return copy;
}

// Prints every page in order, as many times as asked. Print systems that
// cannot make copies themselves (PDF, plain files) get them from here,
// whole documents in turn when collated, each page repeated otherwise.
void printText(const QPlainTextEdit& editor, QPrinter& printer) {
    const auto copy = pagedCopy(editor, printer);
    const int pages = copy->pageCount();
    const QSizeF page = copy->pageSize();
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const int documentCopies = printer.collateCopies() ? copies : 1;
    const int pageCopies = printer.collateCopies() ? 1 : copies;

    QPainter painter;
    if (!painter.begin(&printer)) {
        cannotPrint(printer);
    }
    bool first = true;
    for (int d = 0; d < documentCopies; ++d) {
        for (int p = 0; p < pages; ++p) {
            for (int c = 0; c < pageCopies; ++c) {
                if (!first && !printer.newPage()) {
                    cannotPrint(printer);
                }
                first = false;
                painter.save();
                painter.translate(0, -p * page.height());
                copy->drawContents(&painter, QRectF(QPointF(0, p * page.height()), page));
                painter.restore();
            }
        }
    }
    if (!painter.end()) {
        cannotPrint(printer);
    }
}

}  // namespace

TemplatePrinting::TemplatePrinting(Dialogs& dialogs, PrintersAvailable printersAvailable)
    : dialogs_(dialogs),
      printersAvailable_(printersAvailable ? std::move(printersAvailable)
                                           : PrintersAvailable(systemHasPrinters)) {
}

TemplatePrinting::~TemplatePrinting() = default;

QPrinter& TemplatePrinting::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>();
    }
    return *printer_;
}

void TemplatePrinting::requirePrinter() const {
    if (!chosen_ && !printersAvailable_()) {
        throw sealmill::SealmillError(
            QStringLiteral("There is no default printer currently selected"));
    }
}

void TemplatePrinting::print(QWidget* parent, const QPlainTextEdit& editor) {
    requirePrinter();
    QPrinter& target = printer();
    target.setPrintRange(QPrinter::AllPages);
    if (!dialogs_.print(parent, target, PrintDialogKind::Print)) {
        return;
    }
    chosen_ = true;
    printText(editor, target);
}

void TemplatePrinting::printSetup(QWidget* parent) {
    requirePrinter();
    if (dialogs_.print(parent, printer(), PrintDialogKind::PrintSetup)) {
        chosen_ = true;
    }
}
