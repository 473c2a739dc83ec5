// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace sealmill {

// What is wrong with one number's output file, or with a file beside them.
enum class Problem {
    Missing,       // no file at the number's output name
    NotAFile,      // a folder, link or device there
    Unreadable,    // it cannot be opened or read
    TooLarge,      // far larger than the signed copy could be; not read
    NotSigned,     // not one whole clear-signed message (binary, cut short, plain text)
    BadSignature,  // the signature does not match the text
    OtherKey,      // signed by a key other than the one given
    KeyNotValid,   // signed by the key when it was not valid
    TextDiffers,   // a good signature, but not over this number's copy of the template
    Extra,         // a file of the name pattern with a number outside the range
    Leftover,      // a temporary file of an interrupted run
    // Against a register of issued copies:
    NotRegistered,       // a good copy the register does not name
    HashDiffers,         // a good copy whose SHA-256 is not the register's
    RegisteredMissing,   // a number outside the range the register names, with no file
    BrokenRegisterLine,  // a line of the register that is no record (`line`)
};

struct CopyProblem {
    qint64 serial = 0;  // 0: no number (SealmillTemplate.tmp)
    QString file;       // the path, as the run names it
    Problem problem = Problem::Missing;
    qsizetype line = 0;  // the first line of the copy that differs; 0: none or not known
    QString detail;      // why it cannot be read, the other key's id, the range
};

// What is wrong, for the user: "missing", "text differs at line 3".
[[nodiscard]] QString describeProblem(const CopyProblem& problem);

}  // namespace sealmill
