#include "templateprinting.h"

#include "sealmillerror.h"

TemplatePrinting::TemplatePrinting(Dialogs& dialogs) : dialogs_(dialogs) {}

TemplatePrinting::~TemplatePrinting() = default;

void TemplatePrinting::print(QWidget* /*parent*/, const QPlainTextEdit& /*editor*/) {
    throw sealmill::SealmillError(
        QStringLiteral("There is no default printer currently selected"));
}

void TemplatePrinting::printSetup(QWidget* /*parent*/) {
    throw sealmill::SealmillError(
        QStringLiteral("There is no default printer currently selected"));
}
