#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

namespace Ui {
class TMainForm;
}
class Dialogs;
class EditorTemplate;
class QPlainTextEdit;
class TAboutBox;
class TPressRun;
class TemplatePrinting;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;
    TMainForm(TMainForm&&) = delete;
    TMainForm& operator=(TMainForm&&) = delete;

    void attach(TAboutBox* aboutBox, TPressRun* pressRun);

    // The template document, for the press run.
    [[nodiscard]] EditorTemplate& editorTemplate() { return *template_; }
    [[nodiscard]] QPlainTextEdit* editor();
    [[nodiscard]] QString currentFileName() const { return CurrentFileName; }

    static constexpr QLatin1StringView kUntitled{"Untitled"};

public Q_SLOTS:  // NOLINT(readability-redundant-access-specifiers): moc needs the marker
    void ShowHint(const QString& hint);
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FilePrint();
    void FilePrintSetup();
    void FileExit();
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void PressRun1Click();
    void SpeedButton7Click();
    void HelpAbout();

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

    void FormCreate();
    void FormShow();
    void connectCommands();
    // False when the user chose Cancel, or Yes and the save did not happen:
    // the calling command stops, the text is kept.
    [[nodiscard]] bool CheckFileSave();
    void SetFileName(const QString& name);
    void newDocument();
    void saveDocument();
    void saveDocumentAs();

    std::unique_ptr<Ui::TMainForm> ui_;
    Dialogs& dialogs_;
    std::unique_ptr<EditorTemplate> template_;
    std::unique_ptr<TemplatePrinting> printing_;
    TAboutBox* aboutBox_ = nullptr;
    TPressRun* pressRun_ = nullptr;
    QString CurrentFileName;
    DialogMemory openDialog_;
    DialogMemory saveDialog_;
    bool shownBefore_ = false;
};
