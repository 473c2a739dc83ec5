// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/verify/copyproblem.h"

namespace sealmill {

QString describeProblem(const CopyProblem& problem) {
    switch (problem.problem) {
        case Problem::Missing:
            return QStringLiteral("missing");
        case Problem::NotAFile:
            return QStringLiteral("not a plain file");
        case Problem::Unreadable:
            return QStringLiteral("cannot be read: %1").arg(problem.detail);
        case Problem::TooLarge:
            return QStringLiteral("too large to be a signed copy (%1 bytes); not read")
                .arg(problem.detail);
        case Problem::NotSigned:
            return QStringLiteral("not signed: not a single clear-signed message");
        case Problem::BadSignature:
            return problem.line > 0 ? QStringLiteral("bad signature: the text differs at line %1")
                                          .arg(problem.line)
                                    : QStringLiteral("bad signature");
        case Problem::OtherKey:
            return QStringLiteral("signed by another key (%1)").arg(problem.detail);
        case Problem::KeyNotValid:
            return QStringLiteral(
                "signed when the key was not valid (not yet valid, expired "
                "or revoked)");
        case Problem::TextDiffers:
            return QStringLiteral("text differs at line %1").arg(problem.line);
        case Problem::Extra:
            return QStringLiteral("extra: its number is outside %1").arg(problem.detail);
        case Problem::Leftover:
            return QStringLiteral("leftover of an interrupted run");
        case Problem::NotRegistered:
            return QStringLiteral("not in the register");
        case Problem::HashDiffers:
            return QStringLiteral("its SHA-256 is not the one the register names");
        case Problem::RegisteredMissing:
            return QStringLiteral("missing, though the register names it");
        case Problem::BrokenRegisterLine:
            return QStringLiteral("line %1 of the register is not a record of an issued copy")
                .arg(problem.line);
    }
    return {};
}

}  // namespace sealmill
