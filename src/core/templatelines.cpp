#include "templatelines.h"

namespace sealmill {

bool TemplateLines::containsPlaceholder() const {
    const int count = lineCount();
    bool found = false;
    for (int i = 0; i < count; ++i) {
        found = found || line(i).contains(kPlaceholder);
    }
    return found;
}

}  // namespace sealmill
