// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/systemmemory.h"

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}
class Dialogs;

// The product's name and two live figures of the machine, measured afresh
// each time the box is shown.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(Dialogs& dialogs, QWidget* parent = nullptr,
                      sealmill::SystemFigures figures = {});
    ~AboutBox() override;
    Q_DISABLE_COPY_MOVE(AboutBox)

    // Runs refreshFigures before the box appears, so its figures are never stale.
    void setVisible(bool visible) override;

private:
    void refreshFigures();

    std::unique_ptr<Ui::AboutBox> ui_;
    Dialogs& dialogs_;
    sealmill::SystemFigures figures_;
    QSize designedSize_;
};
