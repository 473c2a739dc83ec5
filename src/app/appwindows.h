#pragma once

#include <memory>

class Dialogs;
class TAboutBox;
class TMainForm;
class TPressRun;

// The program's three windows, created hidden in their fixed order and living
// until the program ends, with the program's icon. Tests make one per case.
class AppWindows {
public:
    explicit AppWindows(Dialogs& dialogs);
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;
    AppWindows(AppWindows&&) = delete;
    AppWindows& operator=(AppWindows&&) = delete;
    ~AppWindows();

    [[nodiscard]] TMainForm& MainForm() { return *mainForm_; }
    [[nodiscard]] TAboutBox& AboutBox() { return *aboutBox_; }
    [[nodiscard]] TPressRun& PressRun() { return *pressRun_; }

private:
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<TPressRun> pressRun_;
};
