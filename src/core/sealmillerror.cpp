#include "sealmillerror.h"

namespace sealmill {

SealmillError::SealmillError(QString message, QString details)
    : message_(std::move(message)), details_(std::move(details)), utf8_(message_.toUtf8()) {
}

}  // namespace sealmill
