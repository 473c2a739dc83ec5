// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace sealmill {

// Bytes from a command line, the environment, a pass-phrase file or a file
// name, as text and back without loss. Valid UTF-8 decodes as usual; each byte
// of a sequence that is not UTF-8 becomes the lone surrogate U+DC80 + byte, and
// encodeLocal turns those back into the very bytes. Qt's own conversions would
// put U+FFFD there, so a pass phrase or a path with such bytes would change.
[[nodiscard]] QString decodeLocal(QByteArrayView bytes);
[[nodiscard]] QByteArray encodeLocal(QStringView text);
// The same into wiped memory; every buffer on the way is zeroed.
[[nodiscard]] SecretBytes encodeLocalSecret(QStringView text);

// For showing: each byte that decodeLocal kept as U+DC80 + byte becomes the
// text "\xNN"; the rest is left as it is.
[[nodiscard]] QString showLocal(QStringView text);

}  // namespace sealmill
