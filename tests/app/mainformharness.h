#pragma once

#include "appwindows.h"
#include "editortemplate.h"
#include "fakedialogs.h"
#include "mainform.h"

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

struct MainFormHarness {  // the program's windows, scripted dialogs, a scratch directory
    FakeDialogs dialogs;
    AppWindows windows{dialogs};
    QTemporaryDir dir;

    TMainForm& form() { return windows.MainForm(); }
    QPlainTextEdit& editor() { return *form().editor(); }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString askedKinds() const {  // e.g. "message,save"
        QStringList kinds;
        for (const auto& q : dialogs.asked) {
            kinds << u"message open save other other"_qs.split(u' ').at(int(q.kind));
        }
        return kinds.join(u',');
    }
};
