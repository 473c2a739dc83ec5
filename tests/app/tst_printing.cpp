#include "commandguard.h"
#include "fakedialogs.h"
#include "templateprinting.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTemplate = QStringLiteral(
    "Certificate No. @SERIAL@\n\tIssued to the bearer\nLast line with tabs\tand spaces");

// Sends the job into a PDF file instead of a printer.
std::function<void(QPrinter&)> toPdf(const QString& path, int copies = 1, bool collate = true) {
    return [=](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
    };
}

// The pages of a PDF file as text (pdftotext comes from poppler-utils).
QStringList pdfPages(const QString& path) {
    QProcess reader;
    reader.start(u"pdftotext"_qs, {path, u"-"_qs});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        return {u"<pdftotext failed: %1>"_qs.arg(reader.errorString())};
    }
    // KC undoes the ligatures ("fi") the PDF writer sets.
    return QString::fromUtf8(reader.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC)
        .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
}

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        editor_.setPlainText(kTemplate);
        editor_.document()->setModified(true);
        editor_.setWindowFilePath(u"/templates/certificate.txt"_qs);
    }

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
        dialogs.answerMessage(MessageButton::Ok);
        runCommand(dialogs, nullptr, [&] {
            setup ? printing.printSetup(nullptr) : printing.print(nullptr, editor_);
        });
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.constFirst().message.kind, MessageKind::Failure);
        QCOMPARE(dialogs.messageTexts(),
                 QStringList{u"There is no default printer currently selected."_qs});
    }

    // Cancel prints nothing; OK prints the whole text on one page.
    void printsTheWholeTemplate() {
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(u"out.pdf"_qs);
        dialogs.answerPrint(false, toPdf(pdf));
        printing.print(nullptr, editor_);
        QVERIFY(!QFile::exists(pdf));
        dialogs.answerPrint(true, toPdf(pdf));
        printing.print(nullptr, editor_);
        QCOMPARE(dialogs.asked.size(), 2);
        QCOMPARE(dialogs.asked.constFirst().print, PrintDialogKind::Print);
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        for (const QString& piece : kTemplate.split(QRegularExpression(u"[\t\n]"_qs))) {
            QVERIFY2(pages.constFirst().contains(piece), qPrintable(piece));
        }
        verifyEditorUntouched();
    }

    // Two copies of a text of several pages: whole documents in turn when
    // collated, each page twice in a row otherwise.
    void copiesFollowCollate_data() {
        QTest::addColumn<bool>("collate");
        QTest::newRow("collated") << true;
        QTest::newRow("not collated") << false;
    }
    void copiesFollowCollate() {
        QFETCH(bool, collate);
        QStringList lines;
        for (int i = 0; i < 150; ++i) {
            lines.append(u"line %1"_qs.arg(i));
        }
        editor_.setPlainText(lines.join(QLatin1Char('\n')));
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(u"collate.pdf"_qs);
        dialogs.answerPrint(true, toPdf(pdf, 2, collate));
        printing.print(nullptr, editor_);

        QStringList order;  // each page by its first line
        for (const QString& page : pdfPages(pdf)) {
            order.append(page.trimmed().section(QLatin1Char('\n'), 0, 0));
        }
        const qsizetype pages = order.size() / 2;
        QVERIFY2(pages >= 2 && order.size() == 2 * pages, qPrintable(order.join(u'|')));
        QStringList once;
        for (qsizetype i = 0; i < pages; ++i) {
            once.append(order.at(collate ? i : 2 * i));
            QCOMPARE(order.at(collate ? pages + i : 2 * i + 1), once.last());
        }
        QCOMPARE(once.first(), u"line 0"_qs);
        QCOMPARE(once.removeDuplicates(), 0);
    }

    // The printer chosen in Print Setup is the one Print offers next, and it
    // is a current printer even when the system lists none; a cancelled
    // setup chooses nothing.
    void setupChoiceCarriesOverToPrint() {
        FakeDialogs dialogs;
        bool systemPrinters = true;
        TemplatePrinting printing(dialogs, [&] { return systemPrinters; });
        const QString pdf = dir_.filePath(u"chosen.pdf"_qs);
        dialogs.answerCancel();
        printing.printSetup(nullptr);
        dialogs.answerPrint(true, toPdf(pdf, 2));
        printing.printSetup(nullptr);
        QVERIFY(!QFile::exists(pdf));

        systemPrinters = false;
        QString offered;
        int offeredCopies = 0;
        dialogs.answerPrint(true, [&](QPrinter& printer) {
            offered = printer.outputFileName();
            offeredCopies = printer.copyCount();
        });
        printing.print(nullptr, editor_);
        QCOMPARE(dialogs.asked.size(), 3);
        QCOMPARE(dialogs.asked.at(2).print, PrintDialogKind::Print);
        QCOMPARE(offered, pdf);
        QCOMPARE(offeredCopies, 2);
        QCOMPARE(pdfPages(pdf).size(), 2);
        verifyEditorUntouched();
    }

    // A job that cannot be written is reported, not passed off as printed.
    void unwritableOutputIsReported() {
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(u"missing/out.pdf"_qs);
        dialogs.answerPrint(true, toPdf(pdf));
        dialogs.answerMessage(MessageButton::Ok);
        runCommand(dialogs, nullptr, [&] { printing.print(nullptr, editor_); });
        QCOMPARE(dialogs.messageTexts(), QStringList{u"Cannot print on %1."_qs.arg(pdf)});
    }

private:
    void verifyEditorUntouched() {
        QCOMPARE(editor_.toPlainText(), kTemplate);
        QVERIFY(editor_.document()->isModified());
        QCOMPARE(editor_.windowFilePath(), u"/templates/certificate.txt"_qs);
    }

    QTemporaryDir dir_;
    QPlainTextEdit editor_;
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
