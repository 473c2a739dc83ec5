#include "publicationbatch.h"

namespace sealmill {

namespace {

// A signer program takes far longer than a wait for the disk: its copies are
// published one by one. The built-in signer signs a copy in well under this,
// on average: a moment the machine is busy does not end its batch.
constexpr qint64 kSlowSignatureMs = 3;
// Enough copies to spread one wait over, few enough to hold open.
constexpr size_t kMostCopies = 64;
// So the progress moves several times a second even when nothing else is due.
constexpr qint64 kLongestWaitMs = 100;

}  // namespace

void PublicationBatch::add(qint64 serial, const QString& signedName, const QString& outputName,
                           OpenFile file) {
    if (!started_.isValid()) {
        started_.start();
    }
    copies_.push_back({serial, signedName, outputName, std::move(file)});
}

bool PublicationBatch::isDue() const {
    if (copies_.empty()) {
        return false;
    }
    const qint64 elapsed = started_.elapsed();
    return copies_.size() >= kMostCopies || elapsed >= kLongestWaitMs ||
           elapsed >= kSlowSignatureMs * static_cast<qint64>(copies_.size());
}

PublicationBatch::Ending PublicationBatch::publish() {
    Ending ending;
    try {
        for (const Copy& copy : copies_) {
            folder_.makeDurable(copy.file, copy.signedName);
        }
        for (const Copy& copy : copies_) {
            folder_.checkInPlace();
            if (folder_.publish(copy.file, copy.signedName, copy.outputName) ==
                Publication::NameTaken) {
                ending.takenName = copy.outputName;
                break;
            }
            ending.published << copy.serial;
        }
    } catch (const SealmillError& error) {
        ending.failure = error;
    }
    copies_.erase(copies_.begin(), copies_.begin() + ending.published.size());
    discard();
    if (!ending.published.isEmpty()) {
        try {
            folder_.flushEntries();
        } catch (const SealmillError& error) {
            ending.failure = ending.failure.value_or(error);
        }
    }
    return ending;
}

void PublicationBatch::discard() noexcept {
    for (const Copy& copy : copies_) {
        folder_.remove(copy.signedName);
    }
    copies_.clear();
    started_.invalidate();
}

}  // namespace sealmill
