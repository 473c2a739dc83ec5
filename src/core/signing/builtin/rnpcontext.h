// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <rnp/rnp.h>
#include <rnp/rnp_err.h>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>

namespace sealmill {

// RNP's handles, each destroyed with its own function.
template <typename Handle, auto destroy>
struct RnpDestroyer {
    void operator()(Handle* handle) const { (void)destroy(handle); }
};
template <typename Handle, auto destroy>
using RnpHandle = std::unique_ptr<Handle, RnpDestroyer<Handle, destroy>>;

using RnpFfi = RnpHandle<rnp_ffi_st, &rnp_ffi_destroy>;
using RnpKey = RnpHandle<rnp_key_handle_st, &rnp_key_handle_destroy>;
using RnpInput = RnpHandle<rnp_input_st, &rnp_input_destroy>;
using RnpOutput = RnpHandle<rnp_output_st, &rnp_output_destroy>;
using RnpSigning = RnpHandle<rnp_op_sign_st, &rnp_op_sign_destroy>;
using RnpVerifying = RnpHandle<rnp_op_verify_st, &rnp_op_verify_destroy>;

// A context of its own. RNP's contexts share nothing, so each thread may use
// one; a context is not safe to use from two threads at once.
[[nodiscard]] RnpFfi newRnpContext();

// Loads the public and secret keys in `packets`, binary or armoured, without
// copying them; false when RNP cannot read them.
[[nodiscard]] bool loadKeys(rnp_ffi_t ffi, QByteArrayView packets);

// Loads the public keys only; the public parts of secret keys among them too.
[[nodiscard]] bool loadPublicKeys(rnp_ffi_t ffi, QByteArrayView packets);

[[nodiscard]] RnpKey locateKey(rnp_ffi_t ffi, const QString& fingerprint);

// A text RNP hands out through `get`, freed at once; empty when it fails.
[[nodiscard]] QString rnpText(const std::function<rnp_result_t(char**)>& get);

}  // namespace sealmill
