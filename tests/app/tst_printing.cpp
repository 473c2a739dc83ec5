#include "commandguard.h"
#include "fakedialogs.h"
#include "sealmillerror.h"
#include "templateprinting.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTemplate = QStringLiteral(
    "Certificate No. @SERIAL@\n\tIssued to the bearer\nLast line with tabs\tand spaces");

// Sends the next print job into a PDF file instead of a printer.
std::function<void(QPrinter&)> toPdf(const QString& path, int copies = 1) {
    return [path, copies](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setCopyCount(copies);
    };
}

QString pdfText(const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"),
                 {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        return QStringLiteral("<pdftotext failed: %1>").arg(reader.errorString());
    }
    // Undo the ligatures ("fi") the PDF writer sets.
    return QString::fromUtf8(reader.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QFAIL("pdftotext (poppler-utils) is needed to read printed files back");
        }
    }

    void init() {
        QVERIFY(dir_.isValid());
        editor_.setPlainText(kTemplate);
        editor_.document()->setModified(true);
        editor_.setWindowFilePath(QStringLiteral("/templates/certificate.txt"));
    }

    // With no printer at all neither dialog opens; the failure reaches the
    // default failure box.
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
            if (setup) {
                printing.printSetup(nullptr);
            } else {
                printing.print(nullptr, editor_);
            }
        });
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.constFirst().kind, FakeDialogs::Kind::Message);
        QCOMPARE(dialogs.asked.constFirst().message.kind, MessageKind::Failure);
        QCOMPARE(dialogs.asked.constFirst().message.text,
                 QStringLiteral("There is no default printer currently selected."));
    }

    void printsTheWholeTemplate_data() {
        QTest::addColumn<int>("copies");
        QTest::newRow("one copy") << 1;
        QTest::newRow("three copies") << 3;
    }
    void printsTheWholeTemplate() {
        QFETCH(int, copies);
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(QStringLiteral("out.pdf"));
        dialogs.answerPrint(true, toPdf(pdf, copies));
        printing.print(nullptr, editor_);

        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked.constFirst().print, PrintDialogKind::Print);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count(QStringLiteral("Certificate No. @SERIAL@")), copies);
        QCOMPARE(text.count(QStringLiteral("Issued to the bearer")), copies);
        QCOMPARE(text.count(QStringLiteral("Last line with tabs")), copies);
        verifyEditorUntouched();
    }

    // Copies of a text of several pages: whole documents in turn when
    // collated, each page repeated otherwise.
    void copiesFollowCollate_data() {
        QTest::addColumn<bool>("collate");
        QTest::newRow("collated") << true;
        QTest::newRow("not collated") << false;
    }
    void copiesFollowCollate() {
        QFETCH(bool, collate);
        QStringList lines;
        for (int i = 0; i < 150; ++i) {
            lines.append(QStringLiteral("line %1").arg(i));
        }
        editor_.setPlainText(lines.join(QLatin1Char('\n')));

        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(QStringLiteral("collate.pdf"));
        dialogs.answerPrint(true, [&](QPrinter& printer) {
            toPdf(pdf, 2)(printer);
            printer.setCollateCopies(collate);
        });
        printing.print(nullptr, editor_);

        // Each page by its first line.
        QStringList order;
        for (const QString& page : pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts)) {
            order.append(page.trimmed().section(QLatin1Char('\n'), 0, 0));
        }
        const auto pages = order.size() / 2;
        QVERIFY2(pages >= 2 && order.size() == 2 * pages, qPrintable(order.join(u'|')));
        QStringList once;
        for (qsizetype i = 0; i < pages; ++i) {
            once.append(collate ? order.at(i) : order.at(2 * i));
            QCOMPARE(collate ? order.at(pages + i) : order.at(2 * i + 1), once.last());
        }
        QCOMPARE(once.first(), QStringLiteral("line 0"));
        QCOMPARE(once.removeDuplicates(), 0);
        editor_.setPlainText(kTemplate);
    }

    void cancelPrintsNothing() {
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(QStringLiteral("cancelled.pdf"));
        dialogs.answerPrint(false, toPdf(pdf));
        printing.print(nullptr, editor_);
        QCOMPARE(dialogs.asked.size(), 1);
        QVERIFY(!QFile::exists(pdf));
        verifyEditorUntouched();
    }

    // The printer chosen in Print Setup is the one Print offers next, and it
    // counts as the current printer even when the system lists none.
    void setupChoiceCarriesOverToPrint() {
        FakeDialogs dialogs;
        bool systemPrinters = true;
        TemplatePrinting printing(dialogs, [&] { return systemPrinters; });
        const QString pdf = dir_.filePath(QStringLiteral("chosen.pdf"));
        dialogs.answerPrint(true, toPdf(pdf, 2));
        printing.printSetup(nullptr);
        QVERIFY(!QFile::exists(pdf));  // setup alone prints nothing

        systemPrinters = false;
        QString offered;
        int offeredCopies = 0;
        dialogs.answerPrint(true, [&](QPrinter& printer) {
            offered = printer.outputFileName();
            offeredCopies = printer.copyCount();
        });
        printing.print(nullptr, editor_);
        QCOMPARE(dialogs.asked.size(), 2);
        QCOMPARE(dialogs.asked.at(0).print, PrintDialogKind::PrintSetup);
        QCOMPARE(dialogs.asked.at(1).print, PrintDialogKind::Print);
        QCOMPARE(offered, pdf);
        QCOMPARE(offeredCopies, 2);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Issued to the bearer")));
        verifyEditorUntouched();
    }

    // A cancelled setup leaves no current printer behind.
    void cancelledSetupChoosesNothing() {
        FakeDialogs dialogs;
        bool systemPrinters = true;
        TemplatePrinting printing(dialogs, [&] { return systemPrinters; });
        dialogs.answerCancel();
        printing.printSetup(nullptr);
        systemPrinters = false;
        QVERIFY_THROWS_EXCEPTION(sealmill::SealmillError, printing.print(nullptr, editor_));
        QCOMPARE(dialogs.asked.size(), 1);
    }

    // A job that cannot be written is reported, not passed off as printed.
    void unwritableOutputIsReported() {
        FakeDialogs dialogs;
        TemplatePrinting printing(dialogs, [] { return true; });
        const QString pdf = dir_.filePath(QStringLiteral("missing/dir/out.pdf"));
        dialogs.answerPrint(true, toPdf(pdf));
        dialogs.answerMessage(MessageButton::Ok);
        runCommand(dialogs, nullptr, [&] { printing.print(nullptr, editor_); });
        QCOMPARE(dialogs.messageTexts(),
                 QStringList{QStringLiteral("Cannot print on %1.").arg(pdf)});
        verifyEditorUntouched();
    }

private:
    void verifyEditorUntouched() {
        QCOMPARE(editor_.toPlainText(), kTemplate);
        QVERIFY(editor_.document()->isModified());
        QCOMPARE(editor_.windowFilePath(), QStringLiteral("/templates/certificate.txt"));
    }

    QTemporaryDir dir_;
    QPlainTextEdit editor_;
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
