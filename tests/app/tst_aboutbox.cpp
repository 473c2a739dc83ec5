#include "aboutbox.h"
#include "fakedialogs.h"

#include <QLabel>
#include <QTest>

constexpr quint64 kMiB = 1024ULL * 1024ULL;

class TestAboutBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each showing measures afresh; a failed resource lookup shows one plain box
    // and keeps the earlier figure.
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
            dialogs.answerMessage(MessageButton::Ok);
            box.show();
            QCOMPARE(box.findChild<QLabel*>(u"lblPhysical"_qs)->text(),
                     QLatin1String(showing.physical));
            QCOMPARE(box.findChild<QLabel*>(u"lblResFree"_qs)->text(),
                     QLatin1String(showing.resFree));
            box.hide();
        }
        QCOMPARE(measured, showings.size());
        QCOMPARE(dialogs.messageTexts(), QStringList(2, u"GetProcAddress16 failure"_qs));
        for (const auto& question : std::as_const(dialogs.asked)) {
            QCOMPARE(question.message.kind, MessageKind::Plain);
            QCOMPARE(question.message.buttons, MessageButtons(MessageButton::Ok));
        }
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
