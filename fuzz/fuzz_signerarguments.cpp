// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The signer's argument vector from any window texts.
// Input: work file NUL key identifier NUL output file NUL pass phrase (not
// used: the signer puts the run's own buffer at kPassPhraseArgument).
#include "core/signing/program/programsigner.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sealmill;
    using fuzz::require;
    const QList<QString> input = fuzz::fields(data, size, 4);
    const SignerRequest request{QStringLiteral("/usr/bin/pgp"), input.at(0), input.at(1),
                                input.at(2)};

    const QStringList arguments = signerArguments(request);
    // Quotes, spaces, line breaks and option-like texts never split or merge a
    // value: each is one argument at its place, as typed.
    const QStringList expected{
        QStringLiteral("-sta"),      request.workFile,   QStringLiteral("-u"), request.keyId,
        QStringLiteral("-o"),        request.outputFile, QStringLiteral("-z"), QString(),
        QStringLiteral("+BATCHMODE")};
    require(arguments == expected && expected.at(kPassPhraseArgument).isNull(),
            "key and paths are one argument each, at their places, unchanged; the pass "
            "phrase's place is left for the signer",
            arguments.join(u'|'));
    return 0;
}
