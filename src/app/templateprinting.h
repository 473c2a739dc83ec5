#pragma once

class Dialogs;
class QPlainTextEdit;
class QWidget;

// Print and Print Setup of the main window, sharing one current printer.
class TemplatePrinting {
public:
    explicit TemplatePrinting(Dialogs& dialogs);
    TemplatePrinting(const TemplatePrinting&) = delete;
    TemplatePrinting& operator=(const TemplatePrinting&) = delete;
    TemplatePrinting(TemplatePrinting&&) = delete;
    TemplatePrinting& operator=(TemplatePrinting&&) = delete;
    ~TemplatePrinting();

    // Both throw SealmillError "There is no default printer currently selected"
    // when the machine has no printer to offer.
    void print(QWidget* parent, const QPlainTextEdit& editor);
    void printSetup(QWidget* parent);

private:
    Dialogs& dialogs_;
};
