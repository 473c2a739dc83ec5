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

// Figures that change from one showing to the next, as a real machine's do.
struct ScriptedFigures {
    QList<quint64> memory;
    QList<std::optional<int>> resources;
    int memoryCalls = 0;
    int resourceCalls = 0;

    sealmill::SystemFigures figures() {
        return {[this] { return memory.at(memoryCalls++); },
                [this] { return resources.at(resourceCalls++); }};
    }
};

QString labelText(const TAboutBox& box, const char* name) {
    const auto* label = box.findChild<QLabel*>(QLatin1String(name));
    return label != nullptr ? label->text()
                            : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

QPixmap solidIcon(Qt::GlobalColor color) {
    QPixmap pixmap(64, 64);
    pixmap.fill(color);
    return pixmap;
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyShowingMeasuresAfresh() {
        FakeDialogs dialogs;
        ScriptedFigures script{{16 * kMiB, 2048 * kMiB}, {76, 40}};
        TAboutBox box(dialogs, nullptr, script.figures());
        QCOMPARE(script.memoryCalls, 0);  // nothing measured before the first showing

        box.show();
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("16,384 KB"));
        QCOMPARE(labelText(box, "lblResFree"), QStringLiteral("76% Free"));
        box.hide();
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("16,384 KB"));

        box.show();
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("2097,152 KB"));
        QCOMPARE(labelText(box, "lblResFree"), QStringLiteral("40% Free"));
        QCOMPARE(script.memoryCalls, 2);
        QCOMPARE(script.resourceCalls, 2);
        QVERIFY(dialogs.asked.isEmpty());
    }

    void failedResourceLookup() {
        FakeDialogs dialogs;
        ScriptedFigures script{{16 * kMiB, 32 * kMiB, 64 * kMiB, 1 * kMiB},
                               {std::nullopt, 76, std::nullopt, std::nullopt}};
        TAboutBox box(dialogs, nullptr, script.figures());
        for (int i = 0; i < 4; ++i) {
            dialogs.answerMessage(MessageButton::Ok);
        }

        box.show();  // the first showing has no earlier figure to keep
        QVERIFY(box.isVisible());
        QCOMPARE(labelText(box, "lblResFree"), QString());
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("16,384 KB"));
        box.hide();

        box.show();
        box.hide();
        box.show();  // fails again: the earlier figure stays
        QVERIFY(box.isVisible());
        QCOMPARE(labelText(box, "lblResFree"), QStringLiteral("76% Free"));
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("65,536 KB"));
        box.hide();
        box.show();

        QCOMPARE(dialogs.asked.size(), 3);  // one box per failed showing
        for (const auto& question : std::as_const(dialogs.asked)) {
            QCOMPARE(question.message.kind, MessageKind::Plain);
            QCOMPARE(question.message.text, QStringLiteral("GetProcAddress16 failure"));
            QCOMPARE(question.message.buttons, MessageButtons(MessageButton::Ok));
        }
        QCOMPARE(dialogs.asked.constFirst().caption(), QStringLiteral("Sealmill"));
        QCOMPARE(labelText(box, "lblPhysical"), QStringLiteral("1,024 KB"));
        QCOMPARE(dialogs.unexpected, 0);
    }

    // Enter on the focused default button closes the box with OK.
    void okAccepts() {
        FakeDialogs dialogs;
        TAboutBox box(dialogs, nullptr, {[] { return 16 * kMiB; }, [] { return 50; }});
        for (int round = 0; round < 2; ++round) {
            QWidget* focused = nullptr;
            QTimer::singleShot(0, [&] {
                focused = box.focusWidget();
                QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
            });
            QCOMPARE(box.exec(), int(QDialog::Accepted));
            const auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
            QVERIFY(ok != nullptr && ok->isDefault());
            QCOMPARE(focused, ok);
            QVERIFY(!box.isVisible());
        }
    }

    void iconFollowsTheApplicationAtEachShowing() {
        FakeDialogs dialogs;
        TAboutBox box(dialogs, nullptr, {[] { return 16 * kMiB; }, [] { return 50; }});
        const auto* image = box.findChild<QLabel*>(QStringLiteral("imgIcon"));
        QVERIFY(image != nullptr);
        const QIcon before = QApplication::windowIcon();
        for (const Qt::GlobalColor color : {Qt::red, Qt::blue}) {
            QApplication::setWindowIcon(QIcon(solidIcon(color)));
            box.show();
            const QImage shown = image->pixmap().toImage();
            QCOMPARE(image->size(), QSize(32, 32));
            QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(color));
            box.hide();
        }
        QApplication::setWindowIcon(before);
    }

    // A fixed box centred on the screen, whose texts all fit, even the
    // longest memory figure a large machine gives.
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
        TAboutBox box(dialogs, nullptr, {[memory] { return memory; }, [] { return 100; }});
        box.show();
        QCOMPARE(box.windowTitle(), QStringLiteral("About Sealmill"));
        QCOMPARE(box.height(), 279);
        QCOMPARE(box.width() == 385, designedWidth);
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QVERIFY(!box.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!box.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        const QPoint centre = box.screen()->availableGeometry().center();
        QVERIFY2((box.frameGeometry().center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("centre %1,%2")
                                .arg(box.frameGeometry().center().x())
                                .arg(box.frameGeometry().center().y())));

        // Labels are transparent, so only their texts must keep apart.
        const auto textRect = [](const QLabel* label) {
            return QRect(label->pos(), label->fontMetrics().size(0, label->text()));
        };
        const QList<QLabel*> labels = box.findChildren<QLabel*>();
        QVERIFY(labels.size() >= 11);
        for (const QLabel* label : labels) {
            if (label->text().isEmpty()) {
                continue;
            }
            const QRect text = textRect(label);
            QVERIFY2(box.rect().contains(text) && label->geometry().contains(text),
                     qPrintable(QStringLiteral("%1 cut: %2 in %3")
                                    .arg(label->objectName())
                                    .arg(text.width())
                                    .arg(label->width())));
            for (const QLabel* other : labels) {
                QVERIFY2(
                    other == label || other->text().isEmpty() || !text.intersects(textRect(other)),
                    qPrintable(label->objectName() + QStringLiteral(" overlaps ") +
                               other->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
