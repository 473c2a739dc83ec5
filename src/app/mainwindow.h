// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

namespace Ui {
class MainWindow;
}
class Dialogs;
class EditorTemplate;
class QPlainTextEdit;
class AboutBox;
class PressRunWindow;
class TemplatePrinting;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Dialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    void attach(AboutBox* aboutBox, PressRunWindow* pressRun);

    // The template document, for the press run.
    [[nodiscard]] EditorTemplate& editorTemplate() { return *template_; }
    [[nodiscard]] QPlainTextEdit* editor();
    [[nodiscard]] QString currentFileName() const { return currentFile_; }

    static constexpr QLatin1StringView kUntitled{"Untitled"};

    // How the last press run ended, on the status line whenever no hint is
    // shown there, until the press run window opens again.
    void showRunEnding(const QString& text);

public Q_SLOTS:  // NOLINT(readability-redundant-access-specifiers): moc needs the marker
    void showHint(const QString& hint);
    void newFile();
    void open();
    void save();
    void saveAs();
    void print();
    void printSetup();
    void exitProgram();
    void undo();
    void cut();
    void copy();
    void paste();
    void openPressRun();
    void about();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a file dialog showed when the user last confirmed it.
    struct DialogMemory {
        QString fileName;
        QString filter;
        bool readOnly = false;
    };

    void setUpWindow();
    void focusEditor();
    void connectCommands();
    // False when the user chose Cancel, or Yes and the save did not happen:
    // the calling command stops, the text is kept.
    [[nodiscard]] bool maybeSave();
    void setCurrentFile(const QString& name);
    void newDocument();
    void saveDocument();
    void saveDocumentAs();

    std::unique_ptr<Ui::MainWindow> ui_;
    Dialogs& dialogs_;
    std::unique_ptr<EditorTemplate> template_;
    std::unique_ptr<TemplatePrinting> printing_;
    AboutBox* aboutBox_ = nullptr;
    PressRunWindow* pressRunWindow_ = nullptr;
    QString currentFile_;
    DialogMemory openDialog_;
    DialogMemory saveDialog_;
    bool shownBefore_ = false;
    QString runEnding_;
};
