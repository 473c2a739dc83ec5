#include "commandguard.h"
#include "fakedialogs.h"
#include "qtdialogs.h"
#include "templateprinting.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // No printer at all: neither dialog opens, the default failure box tells.
    void noPrinterFails_data() {
        QTest::addColumn<bool>("setup");
        QTest::newRow("Print") << false;
        QTest::newRow("Print Setup") << true;
    }
    void noPrinterFails() {
        QFETCH(bool, setup);
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return false; });
        QPlainTextEdit editor;
        dialogs.answerMessage(MessageButton::Ok);
        runCommand(dialogs, nullptr,
                   [&] { setup ? printing.printSetup(nullptr) : printing.print(nullptr, editor); });
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.constFirst().message.kind, MessageKind::Failure);
        QCOMPARE(dialogs.messageTexts(),
                 QStringList{u"There is no default printer currently selected."_qs});
    }

    // Print Setup chooses a printer and prints nothing: its button says OK.
    void printSetupConfirmsWithOk() {
        QtDialogs dialogs;
        QPrinter printer;
        QString confirm;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            const auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QVERIFY(buttons != nullptr);
            confirm = buttons->button(QDialogButtonBox::Ok)->text();
            dialog->reject();
        });
        QVERIFY(!dialogs.print(nullptr, printer, PrintDialogKind::PrintSetup));
        QCOMPARE(confirm, u"OK"_qs);
    }

    // Cancel prints nothing; OK prints the whole text, read back with pdftotext.
    void printsTheWholeTemplate() {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"out.pdf"_qs);
        QPlainTextEdit editor(u"Certificate No. @SERIAL@\n\tIssued to\nthe bearer"_qs);
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
        reader.start(u"pdftotext"_qs, {pdf, u"-"_qs});
        QVERIFY(reader.waitForFinished(30000) && reader.exitCode() == 0);
        const QString text =  // KC undoes the ligatures ("fi") the PDF writer sets
            QString::fromUtf8(reader.readAllStandardOutput())
                .normalized(QString::NormalizationForm_KC);
        QCOMPARE(text.count(u'\f'), 1);
        for (const auto* piece : {"Certificate No. @SERIAL@", "Issued to", "the bearer"}) {
            QVERIFY2(text.contains(QLatin1String(piece)), piece);
        }
        QCOMPARE(editor.toPlainText(), u"Certificate No. @SERIAL@\n\tIssued to\nthe bearer"_qs);

        // The printer chosen in Print Setup is the one Print offers next.
        dialogs.answerPrint(true, [&](QPrinter& printer) {
            printer.setOutputFileName(dir.filePath(u"setup.pdf"_qs));
        });
        printing.printSetup(nullptr);
        QString offered;
        dialogs.answerPrint(false, [&](QPrinter& printer) { offered = printer.outputFileName(); });
        printing.print(nullptr, editor);
        QCOMPARE(offered, dir.filePath(u"setup.pdf"_qs));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
