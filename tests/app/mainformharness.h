#pragma once

#include "appwindows.h"
#include "editortemplate.h"
#include "fakedialogs.h"
#include "mainform.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

// One program's windows with scripted dialogs and a scratch directory.
struct MainFormHarness {
    FakeDialogs dialogs;
    AppWindows windows{dialogs};
    QTemporaryDir dir;

    TMainForm& form() { return windows.MainForm(); }
    QPlainTextEdit& editor() { return *form().editor(); }
    EditorTemplate& document() { return form().editorTemplate(); }

    QString path(const QString& name) const { return dir.filePath(name); }

    // As if the user typed it: the document becomes modified.
    void type(const QString& text) {
        editor().moveCursor(QTextCursor::End);
        editor().insertPlainText(text);
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // The kinds of questions asked so far, e.g. "message,save".
    QString askedKinds() const {
        static const char* const kNames[] = {"message", "open", "save", "other", "other"};
        QStringList kinds;
        for (const auto& q : dialogs.asked) {
            kinds << QLatin1String(kNames[static_cast<int>(q.kind)]);
        }
        return kinds.join(u',');
    }
};
