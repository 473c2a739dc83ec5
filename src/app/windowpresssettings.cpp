// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "windowpresssettings.h"

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

QString WindowPressSettings::passPhrase() const {
    return window_.passPhraseField()->text();
}
