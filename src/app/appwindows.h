// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>
#include <memory>

class Dialogs;
class AboutBox;
class MainWindow;
class PressRunWindow;

// The program's three windows, created hidden in their fixed order and living
// until the program ends, with the program's icon. Tests make one per case.
class AppWindows {
public:
    explicit AppWindows(Dialogs& dialogs);
    Q_DISABLE_COPY_MOVE(AppWindows)
    ~AppWindows();

    [[nodiscard]] MainWindow& mainWindow() { return *mainWindow_; }
    [[nodiscard]] AboutBox& aboutBox() { return *aboutBox_; }
    [[nodiscard]] PressRunWindow& pressRunWindow() { return *pressRunWindow_; }

private:
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<AboutBox> aboutBox_;
    std::unique_ptr<PressRunWindow> pressRunWindow_;
};
