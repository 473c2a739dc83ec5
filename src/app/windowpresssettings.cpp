#include "windowpresssettings.h"

#include "pressrun.h"

#include <QLabel>
#include <QLineEdit>

QString WindowPressSettings::outputDirectoryText() const {
    return window_.RUNdir()->text();
}

QString WindowPressSettings::signerPath() const {
    return window_.PGPdir()->text();
}

QString WindowPressSettings::serialFromText() const {
    return window_.SerialFrom()->text();
}

QString WindowPressSettings::serialToText() const {
    return window_.SerialTo()->text();
}

QString WindowPressSettings::namePattern() const {
    return window_.RunName()->text();
}

QString WindowPressSettings::keyId() const {
    return window_.PGPid()->text();
}

QString WindowPressSettings::passPhrase() const {
    return window_.PassPhrase()->text();
}
