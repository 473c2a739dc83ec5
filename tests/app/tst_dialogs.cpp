// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The boxes and dialogs apart from the two main windows: failures, printing,
// the About box.
#include "app/aboutbox.h"
#include "app/commandguard.h"
#include "app/qtdialogs.h"
#include "app/templateprinting.h"
#include "core/platform/kilobytes.h"
#include "fakedialogs.h"
#include "fixedtexts.h"

#include <QPrintDialog>
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

    // "Several secret keys match": one key a line, text to select and copy;
    // Show Details... shows 80-column lines whole.
    void messageLinesStayWhole() {
        const QString key =
            u"  0123456789ABCDEF0123456789ABCDEF01234567 Firstname Lastname <first.last@example.org>"_s;
        int labelWidth = 0;
        int keyWidth = 0;
        Qt::TextInteractionFlags flags;
        int detailsWidth = 0;
        int columnsWidth = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            const auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
            labelWidth = label->contentsRect().width();
            keyWidth = label->fontMetrics().horizontalAdvance(key);
            flags = label->textInteractionFlags();
            for (auto* button : box->findChildren<QPushButton*>()) {
                if (box->buttonRole(button) == QMessageBox::ActionRole) {
                    button->click();
                }
            }
            const auto* details = box->findChild<QTextEdit*>();
            detailsWidth = details->viewport()->width();
            columnsWidth = details->fontMetrics().horizontalAdvance(QString(80, u'x'));
            box->done(0);
        });
        QtDialogs dialogs;
        dialogs.message(nullptr, {MessageKind::Error,
                                  u"Several secret keys match \"Lastname\"; give the fingerprint "
                                  u"of the one to sign with:\n"_s +
                                      key + u'\n' + key,
                                  MessageButton::Ok, QString(80, u'x')});
        QVERIFY2(labelWidth >= keyWidth, qPrintable(u"%1 < %2"_s.arg(labelWidth).arg(keyWidth)));
        QCOMPARE(flags, Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        QVERIFY2(detailsWidth >= columnsWidth,
                 qPrintable(u"%1 < %2"_s.arg(detailsWidth).arg(columnsWidth)));
    }

    // Print prints the whole text: its dialog, behind Options, offers no range
    // of pages.
    void printOffersNoPageRange() {
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            const auto* range = dialog->findChild<QGroupBox*>(u"gbPrintRange"_s);
            QVERIFY(range != nullptr);
            for (const QWidget* choice :
                 range->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!choice->isHidden()) {
                    offered << choice->objectName();
                }
            }
            dialog->reject();
        });
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        QtDialogs dialogs;
        QVERIFY(!dialogs.print(nullptr, printer, PrintDialogKind::Print));
        // The page set (all, odd or even pages) Qt shows again itself.
        QCOMPARE(offered, (QStringList{u"printAll"_s, u"pageSetLabel"_s, u"pageSetCombo"_s}));
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

    // What users read in the About box, word for word.
    void aboutBoxTexts_data() {
        addFixedTextColumns();
        const auto row = addFixedText;
        row("AboutBox", "windowTitle", u"About Sealmill"_s);
        row("appNameLabel", "text", u"Sealmill"_s);
        row("platformLabel", "text", u"for Windows"_s);
        row("versionLabel", "text", u"95"_s);
        row("memoryCaption", "text", u"Physical Memory Available to Windows:"_s);
        row("resourcesCaption", "text", u"System Resources:"_s);
        row("okButton", "text", u"OK"_s);
    }
    void aboutBoxTexts() {
        QFETCH(QString, object);
        QFETCH(QByteArray, property);
        FakeDialogs dialogs;
        AboutBox box(dialogs);
        QTEST(fixedText(box, object, property), "text");
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
