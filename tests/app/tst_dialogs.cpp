// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The boxes and dialogs apart from the two main windows: failures, printing,
// the About box.
#include "aboutbox.h"
#include "commandguard.h"
#include "fakedialogs.h"
#include "kilobytes.h"
#include "qtdialogs.h"
#include "templateprinting.h"

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Enter presses OK also after Show Details... was clicked.
    void detailsLeaveOkTheDefault() {
        QtDialogs dialogs;
        bool closedByEnter = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            for (auto* button : box->findChildren<QPushButton*>()) {
                if (box->buttonRole(button) == QMessageBox::ActionRole) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    QTest::keyClick(button, Qt::Key_Return);
                }
            }
            closedByEnter = !box->isVisible();
            box->done(0);
        });
        dialogs.message(nullptr, {MessageKind::Error, u"Error 11 occured"_s, MessageButton::Ok,
                                  u"The signer said: no key"_s});
        QVERIFY(closedByEnter);
    }

    // No printer at all: neither dialog opens, the default failure box tells.
    void noPrinterFails() {
        bool printers = false;
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [&printers] { return printers; });
        QPlainTextEdit editor;
        runCommand(dialogs, nullptr, [&] { printing.print(nullptr, editor); });
        runCommand(dialogs, nullptr, [&] { printing.printSetup(nullptr); });
        QCOMPARE(dialogs.messageTexts(),
                 QStringList(2, u"There is no default printer currently selected."_s));
        // A printer chosen in Print Setup stays chosen, and Print offers it.
        printers = true;
        dialogs.answerPrint(true, [](QPrinter& printer) { printer.setOutputFileName(u"a.pdf"_s); });
        printing.printSetup(nullptr);
        printers = false;
        QString offered;
        dialogs.answerPrint(false, [&](QPrinter& printer) { offered = printer.outputFileName(); });
        printing.print(nullptr, editor);
        QCOMPARE(offered, u"a.pdf"_s);
    }

    // Cancel prints nothing; OK prints the whole text, read back with pdftotext.
    void printsTheWholeTemplate() {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"out.pdf"_s);
        QPlainTextEdit editor(u"Certificate No. @SERIAL@\n\tIssued to\nthe bearer"_s);
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        for (const bool accepted : {false, true}) {
            dialogs.answerPrint(accepted, [&](QPrinter& printer) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf);
            });
            printing.print(nullptr, editor);
            QCOMPARE(QFile::exists(pdf), accepted);
        }
        QProcess reader;
        reader.start(u"pdftotext"_s, {pdf, u"-"_s});
        QVERIFY(reader.waitForFinished(30000) && reader.exitCode() == 0);
        const QString text =  // KC undoes the ligatures ("fi") the PDF writer sets
            QString::fromUtf8(reader.readAllStandardOutput())
                .normalized(QString::NormalizationForm_KC);
        QCOMPARE(text.count(u'\f'), 1);
        for (const auto* piece : {"Certificate No. @SERIAL@", "Issued to", "the bearer"}) {
            QVERIFY2(text.contains(QLatin1String(piece)), piece);
        }
    }

    // The About box measures afresh at each showing; a failed resource lookup
    // shows one plain box and keeps the earlier figure.
    void aboutBoxMeasuresEachShowing() {
        const struct {
            quint64 memory;
            std::optional<int> resources;
            const char* resFree;
        } showings[] = {
            {16ULL << 20, std::nullopt, ""},  // nothing earlier to keep
            {2048ULL << 20, 76, "76% Free"},
            {64ULL << 20, std::nullopt, "76% Free"},
            {1ULL << 20, 0, "0% Free"},
        };
        FakeDialogs dialogs;
        int measured = 0;
        AboutBox box(dialogs, nullptr,
                     {[&] { return showings[measured].memory; },
                      [&] { return showings[measured++].resources; }});
        QCOMPARE(measured, 0);
        for (const auto& showing : showings) {
            box.show();
            QCOMPARE(box.findChild<QLabel*>(u"memoryLabel"_s)->text(),
                     sealmill::kilobytesText(showing.memory));
            QCOMPARE(box.findChild<QLabel*>(u"resourcesLabel"_s)->text(),
                     QLatin1String(showing.resFree));
            box.hide();
        }
        QCOMPARE(measured, 4);
        QCOMPARE(dialogs.messageTexts(), QStringList(2, u"GetProcAddress16 failure"_s));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
