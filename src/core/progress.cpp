#include "progress.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace sealmill {

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
// The figures match the original display only with the x87 80-bit type; a
// 64-bit double gives e.g. 57 instead of 58 for the 23rd of 40 on some totals.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 extended type here");
#endif

qint64 progressPosition(qint64 done, qint64 total) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double quotient = static_cast<long double>(done) / static_cast<long double>(total);
    const long double product = quotient * 100.0L;
    const long double position = std::nearbyint(product);
    std::fesetround(saved);
    return static_cast<qint64>(position);
}

QString progressStatus(qint64 done, qint64 total) {
    return QStringLiteral("%1 of %2 processed").arg(done).arg(total);
}

}  // namespace sealmill
