#include "sealmillerror.h"

namespace sealmill {

SealmillError::SealmillError(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8()) {
}

}  // namespace sealmill
