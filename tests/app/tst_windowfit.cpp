// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Every window at the font sizes people use: CTest runs this at 96, 120 and
// 144 dpi. Each text fits its control, no control overlaps another or leaves
// its parent, and long paths and hints are shortened instead of widening or
// overflowing the window.
#include "app/aboutbox.h"
#include "app/appwindows.h"
#include "app/elidedlabel.h"
#include "app/hintstatusbar.h"
#include "app/mainwindow.h"
#include "app/pressrunwindow.h"
#include "fakedialogs.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// A text on one line in the widget's font, access key marks not drawn.
QSize textSize(const QWidget& widget, const QString& text) {
    return widget.fontMetrics().size(Qt::TextShowMnemonic, text);
}

bool holds(QSize room, QSize needed) {
    return room.width() >= needed.width() && room.height() >= needed.height();
}

QString nameOf(const QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Everything that would show the user a cut text or a control on another.
QStringList misfits(const QWidget& window) {
    QStringList found;
    const auto shown = [&window](const QWidget* widget) {
        return !widget->isWindow() && widget->isVisibleTo(&window);
    };
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!shown(widget)) {
            continue;
        }
        const QWidget* parent = widget->parentWidget();
        if (!parent->rect().contains(widget->geometry())) {
            found << nameOf(widget) + u" leaves "_s + nameOf(parent);
        }
        for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other < widget && shown(other) &&
                other->geometry().intersects(widget->geometry())) {
                found << nameOf(widget) + u" overlaps "_s + nameOf(other);
            }
        }
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label != nullptr && qobject_cast<const ElidedLabel*>(widget) == nullptr &&
            !(label->wordWrap()
                  ? label->height() >= label->heightForWidth(label->width())
                  : holds(label->contentsRect().size(), textSize(*label, label->text())))) {
            found << nameOf(widget) + u" cuts \""_s + label->text() + u'"';
        }
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (button != nullptr && !button->text().isEmpty() &&
            !holds(button->size(), button->sizeHint())) {
            found << nameOf(widget) + u" cuts \""_s + button->text() + u'"';
        }
        if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxLabel, group);
            if (title.width() < group->fontMetrics().horizontalAdvance(group->title()) ||
                title.height() < group->fontMetrics().height() || title.right() >= group->width()) {
                found << nameOf(widget) + u" cuts \""_s + group->title() + u'"';
            }
            for (const QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (shown(child) && child->geometry().intersects(title)) {
                    found << nameOf(child) + u" runs into the title of "_s + nameOf(widget);
                }
            }
        }
    }
    return found;
}

}  // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

    FakeDialogs dialogs_;
    AppWindows windows_{dialogs_};

    QWidget* window(const QString& name) {
        const QWidgetList all = QApplication::topLevelWidgets();
        const auto it = std::find_if(all.cbegin(), all.cend(), [&name](const QWidget* widget) {
            return widget->objectName() == name;
        });
        return it == all.cend() ? nullptr : *it;
    }

private Q_SLOTS:
    void initTestCase() {
        windows_.mainWindow().show();
        windows_.pressRunWindow().show();
        windows_.aboutBox().show();
        QApplication::processEvents();
    }

    void textsFitTheirControls_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("drawn");  // the size it was drawn with, at 96 dpi
        QTest::newRow("main window") << u"MainWindow"_s << QSize(656, 436);
        QTest::newRow("press run window") << u"PressRunWindow"_s << QSize(437, 374);
        QTest::newRow("About box") << u"AboutBox"_s << QSize(385, 279);
    }
    void textsFitTheirControls() {
        QFETCH(QString, window);
        QFETCH(QSize, drawn);
        QWidget* shown = this->window(window);
        QVERIFY(shown != nullptr);
        const QStringList found = misfits(*shown);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; "_s)));
        QVERIFY(holds(shown->size(), drawn));
    }

    // A path or a hint longer than its line is shortened in the middle or at
    // the end, and shown whole as the tooltip; the window keeps its size.
    void longPathsAndHintsAreShortened() {
        PressRunWindow& usual = windows_.pressRunWindow();
        // A signer folder deep down, from the start.
        QTemporaryDir top(u"/tmp/firstname.lastname.example-XXXXXX"_s);
        const QString folder = top.path() + u"/folder"_s.repeated(60);
        QVERIFY(QDir().mkpath(folder));
        qputenv("PGPPATH", QFile::encodeName(folder));
        PressRunWindow press(dialogs_, windows_.mainWindow());
        qunsetenv("PGPPATH");
        press.show();
        const QString path = folder + u"/PGP.EXE"_s;
        auto* signerPath = qobject_cast<ElidedLabel*>(press.signerPathLabel());
        QVERIFY(signerPath != nullptr);
        QCOMPARE(signerPath->text(), path);
        const QString hint = u"Your GnuPG key, unlocked once per run: "_s.repeated(10);
        auto* status = qobject_cast<HintStatusBar*>(press.statusBar());
        QVERIFY(status != nullptr);
        status->showMessage(hint);
        QApplication::processEvents();

        QCOMPARE(press.size(), usual.size());
        const QStringList found = misfits(press);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; "_s)));
        QVERIFY(signerPath->shownText().startsWith(u"/tmp/first"_s));
        QVERIFY(signerPath->shownText().endsWith(u"/PGP.EXE"_s));
        QVERIFY(signerPath->shownText().contains(u'\u2026'));
        QVERIFY(signerPath->fontMetrics().horizontalAdvance(signerPath->shownText()) <=
                signerPath->contentsRect().width());
        QVERIFY(status->shownMessage().endsWith(u'\u2026'));
        QVERIFY(status->fontMetrics().horizontalAdvance(status->shownMessage()) < status->width());
        const std::pair<QWidget*, QString> tips[] = {{signerPath, path}, {status, hint}};
        for (const auto& [widget, whole] : tips) {
            QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(widget, &tip);
            QTRY_COMPARE(QToolTip::text(), whole);
        }
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
