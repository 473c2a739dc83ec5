// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/rnpkeys.h"

#include "core/sealmillerror.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

namespace sealmill {

namespace {

bool holds(rnp_result_t (*query)(rnp_key_handle_t, bool*), rnp_key_handle_t key) {
    bool result = false;
    return query(key, &result) == RNP_SUCCESS && result;
}

bool hasSecret(rnp_key_handle_t primary) {
    if (holds(rnp_key_have_secret, primary)) {
        return true;
    }
    size_t count = 0;
    (void)rnp_key_get_subkey_count(primary, &count);
    for (size_t i = 0; i < count; ++i) {
        rnp_key_handle_t subkey = nullptr;
        if (rnp_key_get_subkey_at(primary, i, &subkey) == RNP_SUCCESS &&
            holds(rnp_key_have_secret, RnpKey(subkey).get())) {
            return true;
        }
    }
    return false;
}

KeyPart keyPart(rnp_key_handle_t key) {
    KeyPart part;
    part.fingerprint = rnpText([key](char** text) { return rnp_key_get_fprint(key, text); });
    uint32_t created = 0;
    (void)rnp_key_get_creation(key, &created);
    part.created = created;
    (void)rnp_key_allows_usage(key, "sign", &part.canSign);
    // Checks self-signatures, expiry and revocation, the primary's too.
    part.usable = holds(rnp_key_is_valid, key);
    const QString protection =
        rnpText([key](char** text) { return rnp_key_get_protection_type(key, text); });
    if (!holds(rnp_key_have_secret, key) || protection == u"GPG-None") {
        part.secret = SecretPart::Missing;
    } else if (protection == u"GPG-Smartcard") {
        part.secret = SecretPart::OnCard;
    }
    return part;
}

// Hands RNP's buffer of the key's packets, as `flags` export them, to `take`.
void exportKey(rnp_key_handle_t primary, uint32_t flags,
               const std::function<void(uint8_t*, size_t)>& take) {
    rnp_output_t output = nullptr;
    if (rnp_output_to_memory(&output, 0) != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Cannot export the key"));
    }
    const RnpOutput owned(output);
    uint8_t* buffer = nullptr;
    size_t length = 0;
    if (rnp_key_export(primary, output, flags) != RNP_SUCCESS ||
        rnp_output_memory_get_buf(output, &buffer, &length, false) != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Cannot export the key"));
    }
    take(buffer, length);
}

int primaryUserIdIndex(rnp_key_handle_t primary) {
    size_t count = 0;
    (void)rnp_key_get_uid_count(primary, &count);
    for (size_t i = 0; i < count; ++i) {
        rnp_uid_handle_t uid = nullptr;
        if (rnp_key_get_uid_handle_at(primary, i, &uid) != RNP_SUCCESS) {
            continue;
        }
        bool isPrimary = false;
        (void)rnp_uid_is_primary(uid, &isPrimary);
        (void)rnp_uid_handle_destroy(uid);
        if (isPrimary) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

}  // namespace

std::vector<RnpKey> primaryKeys(rnp_ffi_t ffi) {
    std::vector<RnpKey> primaries;
    rnp_identifier_iterator_t it = nullptr;
    if (rnp_identifier_iterator_create(ffi, &it, "fingerprint") != RNP_SUCCESS) {
        return primaries;
    }
    const char* fingerprint = nullptr;
    while (rnp_identifier_iterator_next(it, &fingerprint) == RNP_SUCCESS &&
           fingerprint != nullptr) {
        RnpKey key = locateKey(ffi, QString::fromLatin1(fingerprint));
        if (key && holds(rnp_key_is_primary, key.get())) {
            primaries.push_back(std::move(key));
        }
    }
    (void)rnp_identifier_iterator_destroy(it);
    return primaries;
}

std::vector<RnpKey> secretPrimaryKeys(rnp_ffi_t ffi) {
    std::vector<RnpKey> primaries = primaryKeys(ffi);
    std::erase_if(primaries, [](const RnpKey& key) { return !hasSecret(key.get()); });
    return primaries;
}

QString keyName(rnp_key_handle_t primary) {
    const QString userId =
        rnpText([primary](char** text) { return rnp_key_get_primary_uid(primary, text); });
    return userId.isEmpty()
               ? rnpText([primary](char** text) { return rnp_key_get_fprint(primary, text); })
               : userId;
}

QList<KeyPart> keyParts(rnp_key_handle_t primary, std::vector<RnpKey>& subkeys) {
    QList<KeyPart> parts{keyPart(primary)};
    subkeys.clear();
    size_t count = 0;
    (void)rnp_key_get_subkey_count(primary, &count);
    for (size_t i = 0; i < count; ++i) {
        rnp_key_handle_t subkey = nullptr;
        if (rnp_key_get_subkey_at(primary, i, &subkey) == RNP_SUCCESS) {
            subkeys.emplace_back(subkey);
            parts << keyPart(subkey);
        }
    }
    return parts;
}

QByteArray preferredHash(rnp_key_handle_t primary) {
    const QString json = rnpText(
        [primary](char** text) { return rnp_key_to_json(primary, RNP_JSON_SIGNATURES, text); });
    const QJsonObject key = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString keyId = key.value(u"keyid").toString();
    const int userId = primaryUserIdIndex(primary);
    QJsonArray hashes;
    qint64 newest = -1;
    for (const auto& value : key.value(u"signatures").toArray()) {
        const QJsonObject signature = value.toObject();
        const auto created = static_cast<qint64>(signature.value(u"creation time").toDouble());
        if (signature.value(u"userid").toInt(-1) == userId &&
            signature.value(u"signer").toObject().value(u"keyid").toString() == keyId &&
            signature.value(u"preferences").toObject().contains(u"hashes") && created > newest) {
            newest = created;
            hashes = signature.value(u"preferences").toObject().value(u"hashes").toArray();
        }
    }
    for (const auto& hash : std::as_const(hashes)) {
        const QString name = hash.toString();
        if (name == u"SHA256" || name == u"SHA384" || name == u"SHA512") {
            return name.toLatin1();
        }
    }
    return QByteArrayLiteral("SHA256");
}

SecretBytes keyPackets(rnp_key_handle_t primary) {
    SecretBytes exported;
    exportKey(primary, RNP_KEY_EXPORT_SECRET | RNP_KEY_EXPORT_SUBKEYS,
              [&exported](uint8_t* buffer, size_t length) {
                  exported.append(QByteArrayView(buffer, static_cast<qsizetype>(length)));
                  wipeMemory(buffer, static_cast<qsizetype>(length));
              });
    return exported;
}

QByteArray publicPackets(rnp_key_handle_t primary) {
    QByteArray exported;
    exportKey(primary, RNP_KEY_EXPORT_PUBLIC | RNP_KEY_EXPORT_SUBKEYS,
              [&exported](uint8_t* buffer, size_t length) {
                  exported = QByteArray(reinterpret_cast<const char*>(buffer),
                                        static_cast<qsizetype>(length));
              });
    return exported;
}

QStringList keyLines(const std::vector<RnpKey>& primaries) {
    QStringList lines;
    for (const RnpKey& key : primaries) {
        lines << rnpText([&key](char** text) { return rnp_key_get_fprint(key.get(), text); }) +
                     QStringLiteral("  ") + keyName(key.get());
    }
    return lines;
}

}  // namespace sealmill
