#include "aboutbox.h"
#include "fakedialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

constexpr quint64 kMiB = 1024ULL * 1024ULL;

QString labelText(const TAboutBox& box, const QString& name) {
    const auto* label = box.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : u"<missing %1>"_qs.arg(name);
}

sealmill::SystemFigures steadyFigures(quint64 memory = 16 * kMiB) {
    return {[memory] { return memory; }, [] { return 100; }};
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each showing measures afresh; a failed resource lookup shows one plain
    // box and keeps the earlier figure.
    void everyShowingMeasuresAfresh() {
        struct Showing {
            quint64 memory;
            std::optional<int> resources;
            const char* physical;
            const char* resFree;
        };
        const QList<Showing> showings = {
            {16 * kMiB, std::nullopt, "16,384 KB", ""},  // nothing earlier to keep
            {2048 * kMiB, 76, "2097,152 KB", "76% Free"},
            {64 * kMiB, std::nullopt, "65,536 KB", "76% Free"},
            {1 * kMiB, 0, "1,024 KB", "0% Free"},
        };
        FakeDialogs dialogs;
        int measured = 0;
        TAboutBox box(dialogs, nullptr,
                      {[&] { return showings.at(measured).memory; },
                       [&] { return showings.at(measured++).resources; }});
        QCOMPARE(measured, 0);
        for (const Showing& showing : showings) {
            if (!showing.resources) {
                dialogs.answerMessage(MessageButton::Ok);
            }
            box.show();
            QVERIFY(box.isVisible());
            QCOMPARE(labelText(box, u"lblPhysical"_qs), QLatin1String(showing.physical));
            QCOMPARE(labelText(box, u"lblResFree"_qs), QLatin1String(showing.resFree));
            box.hide();
        }
        QCOMPARE(measured, showings.size());
        QCOMPARE(dialogs.asked.size(), 2);
        for (const auto& question : std::as_const(dialogs.asked)) {
            QCOMPARE(question.message.kind, MessageKind::Plain);
            QCOMPARE(question.message.text, u"GetProcAddress16 failure"_qs);
            QCOMPARE(question.message.buttons, MessageButtons(MessageButton::Ok));
        }
        QCOMPARE(dialogs.unexpected, 0);
    }

    // The icon follows the application's at each showing; Enter on the
    // focused OK button closes the box.
    void iconAtEachShowingAndOkAccepts() {
        FakeDialogs dialogs;
        TAboutBox box(dialogs, nullptr, steadyFigures());
        const auto* image = box.findChild<QLabel*>(u"imgIcon"_qs);
        QVERIFY(image != nullptr);
        const QIcon before = QApplication::windowIcon();
        for (const Qt::GlobalColor color : {Qt::red, Qt::blue}) {
            QPixmap icon(64, 64);
            icon.fill(color);
            QApplication::setWindowIcon(QIcon(icon));
            QWidget* focused = nullptr;
            QTimer::singleShot(0, [&] {
                focused = box.focusWidget();
                const QImage shown = image->pixmap().toImage();
                QCOMPARE(image->size(), QSize(32, 32));
                QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(color));
                QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
            });
            QCOMPARE(box.exec(), int(QDialog::Accepted));
            QCOMPARE(focused, box.findChild<QPushButton*>(u"cmdOK"_qs));
            QVERIFY(!box.isVisible());
        }
        QApplication::setWindowIcon(before);
    }

    // Centred, every text whole even for large machines; only a figure that
    // fits nowhere else widens the fixed box.
    void fixedCentredAndNothingCut_data() {
        QTest::addColumn<quint64>("memory");
        QTest::addColumn<bool>("designedWidth");
        QTest::newRow("16 MiB") << 16 * kMiB << true;
        QTest::newRow("64 GiB") << 64 * 1024 * kMiB << true;
        QTest::newRow("1 TiB") << 1024 * 1024 * kMiB << false;
    }
    void fixedCentredAndNothingCut() {
        QFETCH(quint64, memory);
        QFETCH(bool, designedWidth);
        FakeDialogs dialogs;
        TAboutBox box(dialogs, nullptr, steadyFigures(memory));
        box.show();
        QCOMPARE(box.width() == 385, designedWidth);
        QCOMPARE(box.minimumSize(), box.maximumSize());
        const QPoint offCentre =
            box.frameGeometry().center() - box.screen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);

        // Labels are transparent, so only their texts must keep apart.
        const auto textRect = [](const QLabel* label) {
            return QRect(label->pos(), label->fontMetrics().size(0, label->text()));
        };
        const QList<QLabel*> labels = box.findChildren<QLabel*>();
        for (const QLabel* label : labels) {
            const QRect text = textRect(label);
            QVERIFY2(label->text().isEmpty() ||
                         (box.rect().contains(text) && label->geometry().contains(text)),
                     qPrintable(label->objectName() + u" is cut"_qs));
            for (const QLabel* other : labels) {
                QVERIFY2(other == label || label->text().isEmpty() || other->text().isEmpty() ||
                             !text.intersects(textRect(other)),
                         qPrintable(label->objectName() + u" overlaps "_qs + other->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
