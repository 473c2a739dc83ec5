#include "cancelsignals.h"
#include "exitstatus.h"
#include "pressjob.h"
#include "pressoptions.h"
#include "signerlocation.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>

int main(int argc, char* argv[]) {
#ifdef SIGCHLD
    // Ignored, as a parent may leave it, it has every signer reaped before its
    // exit status can be read.
    std::signal(SIGCHLD, SIG_DFL);
#endif
    // Before Qt starts any thread, so every thread and the signer inherit it.
    cancelsignals::install();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sealmill-press"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SEALMILL_VERSION));

    const ParsedOptions parsed =
        parsePressOptions(QCoreApplication::arguments(), sealmill::processEnvironmentBlock());
    if (!parsed.options) {
        if (parsed.exitCode == kExitPressed) {
            QTextStream(stdout) << parsed.output;
        } else {
            terminal::writeError(parsed.output);
        }
        return parsed.exitCode;
    }
    return runPressJob(*parsed.options);
}
