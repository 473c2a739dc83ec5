#include "templatelines.h"

namespace sealmill {

QList<int> TemplateLines::linesHolding(QLatin1StringView needle) const {
    QList<int> found;
    const int count = lineCount();
    for (int i = 0; i < count; ++i) {
        if (line(i).contains(needle)) {
            found << i;
        }
    }
    return found;
}

bool TemplateLines::containsPlaceholder() const {
    return !linesHolding(kPlaceholder).isEmpty();
}

}  // namespace sealmill
