// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class AppWindows;
class BenchDialogs;

// The program's own press runs and editor, timed. A negative result means the
// run failed (the reason went to stderr).

// A whole run through the press run window's Run button, in milliseconds per
// number: the template is opened into the editor first, untimed.
[[nodiscard]] double windowRunMs(AppWindows& windows, BenchDialogs& dialogs,
                                 const QString& templateFile, const QString& signer,
                                 const QString& dir, int numbers);

// A whole sealmill-press process, start to exit, in milliseconds per number.
[[nodiscard]] double commandLineRunMs(const QString& templateFile, const QString& signer,
                                      const QString& dir, int numbers);

// File > Open of the template into an emptied editor, until it is painted, in
// milliseconds.
[[nodiscard]] double editorOpenMs(AppWindows& windows, BenchDialogs& dialogs,
                                  const QString& templateFile);

// Reading and decoding the same file alone, in milliseconds.
[[nodiscard]] double readAndDecodeMs(const QString& templateFile);

// Peak resident memory in KiB of a child process that runs the window program
// and, given a template, opens it and presses `numbers` numbers into `dir`;
// without one it only shows the empty main window.
[[nodiscard]] long peakResidentKiB(const QString& templateFile, const QString& signer,
                                   const QString& dir, int numbers);

// The child's side of peakResidentKiB; returns the process's exit status.
int runMemoryChild(const QString& templateFile, const QString& signer, const QString& dir,
                   int numbers);
