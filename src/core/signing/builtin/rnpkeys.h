// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/signingsubkey.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace sealmill {

// What signing needs to know of the keys RNP holds.

// The primary keys that come with a secret, of their own or of a subkey.
[[nodiscard]] std::vector<RnpKey> secretPrimaryKeys(rnp_ffi_t ffi);

// All primary keys.
[[nodiscard]] std::vector<RnpKey> primaryKeys(rnp_ffi_t ffi);

// The key as messages name it: its primary user id, else its fingerprint.
[[nodiscard]] QString keyName(rnp_key_handle_t primary);

// The primary and its subkeys, in that order; part i > 0 is `subkeys[i - 1]`.
[[nodiscard]] QList<KeyPart> keyParts(rnp_key_handle_t primary, std::vector<RnpKey>& subkeys);

// The first hash of at least 256 bits that gpg verifies among the preferences
// of the primary user id's self-signature; SHA256 when it names none.
[[nodiscard]] QByteArray preferredHash(rnp_key_handle_t primary);

// The key with all its subkeys and secret parts, as RNP writes it. RNP's own
// buffer is zeroed.
[[nodiscard]] SecretBytes keyPackets(rnp_key_handle_t primary);

// The key with all its subkeys, public parts only, as RNP writes it.
[[nodiscard]] QByteArray publicPackets(rnp_key_handle_t primary);

// One line per key for messages: its fingerprint and its name.
[[nodiscard]] QStringList keyLines(const std::vector<RnpKey>& primaries);

}  // namespace sealmill
