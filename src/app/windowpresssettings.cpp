// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "windowpresssettings.h"

#include "core/platform/systemencoding.h"
#include "pressrunwindow.h"

#include <QLabel>
#include <QLineEdit>

QString WindowPressSettings::outputDirectoryText() const {
    return window_.outputDirLabel()->text();
}

QString WindowPressSettings::signerPath() const {
    return window_.signerPathLabel()->text();
}

QString WindowPressSettings::serialFromText() const {
    return window_.serialFromField()->text();
}

QString WindowPressSettings::serialToText() const {
    return window_.serialToField()->text();
}

QString WindowPressSettings::namePattern() const {
    return window_.namePatternField()->text();
}

QString WindowPressSettings::keyId() const {
    return window_.keyIdField()->text();
}

// The field's own text stays, as the window keeps it between runs; the bytes
// made from it here are the run's only other copy.
sealmill::SecretBytes WindowPressSettings::passPhrase() const {
    return sealmill::encodeLocalSecret(window_.passPhraseField()->text());
}
