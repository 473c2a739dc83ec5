#pragma once

#include "signer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace sealmill {

// The two ways of starting a signer behind runSigner. Both give the same
// promises: standard input is the null device; standard output and error go
// merged into one pipe that is drained all the time and of which the last
// kSignerTailBytes are kept; `whileWaiting` runs about every
// kSignerWaitSliceMs while the signer runs; the environment, current
// directory and signal mask are the caller's; no zombie is left behind.
// `program` is an absolute path.

// Enough to show what the signer said last, small enough to keep for ever.
inline constexpr qsizetype kSignerTailBytes = 4096;
// How often the wait comes up for air to call back.
inline constexpr int kSignerWaitSliceMs = 50;

// Appends `more` to `tail`, keeping only its last kSignerTailBytes.
void keepSignerTail(QByteArray& tail, QByteArrayView more);

// Through QProcess, on every platform.
[[nodiscard]] SignerOutcome runSignerWithQProcess(const QString& program,
                                                  const QStringList& arguments,
                                                  const std::function<void()>& whileWaiting);

#ifdef Q_OS_UNIX
// Through posix_spawn: a fraction of QProcess's cost per start, and no copy of
// the caller's page tables however much memory it holds.
[[nodiscard]] SignerOutcome runSignerWithSpawn(const QString& program, const QStringList& arguments,
                                               const std::function<void()>& whileWaiting);
#endif

}  // namespace sealmill
