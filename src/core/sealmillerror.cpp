// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/sealmillerror.h"

namespace sealmill {

SealmillError::SealmillError(QString message, QString details)
    : message_(std::move(message)), details_(std::move(details)), utf8_(message_.toUtf8()) {
}

}  // namespace sealmill
