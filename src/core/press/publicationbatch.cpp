// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/publicationbatch.h"

namespace sealmill {

namespace {

// Copies held open while a wait for the disk runs; beyond this the signer
// waits too.
constexpr size_t kMostGathered = 256;

}  // namespace

PublicationBatch::PublicationBatch(OutputFolder& folder, QObject* parent)
    : QObject(parent), folder_(folder) {
}

PublicationBatch::~PublicationBatch() {
    if (wait_.valid()) {
        wait_.wait();
    }
    discard();
}

void PublicationBatch::add(qint64 serial, const QString& signedName, const QString& outputName,
                           OpenFile file) {
    gathering_.push_back({serial, signedName, outputName, std::move(file)});
    if (!wait_.valid()) {
        startWait();
    }
}

bool PublicationBatch::isFull() const {
    return gathering_.size() >= kMostGathered;
}

// One copy waits for its own bytes; several for the whole file system's,
// which costs one wait for the disk instead of one each.
void PublicationBatch::startWait() {
    waiting_ = std::move(gathering_);
    gathering_.clear();
    const int file = waiting_.size() == 1 ? waiting_.front().file.fd() : -1;
    const QString name = waiting_.front().signedName;
    const int count = ++waitCount_;
    wait_ = std::async(std::launch::async, [this, file, name, count] {
        std::optional<SealmillError> failure;
        try {
            if (file >= 0) {
                folder_.makeDurable(file, name);
            } else {
                folder_.makeAllDurable();
            }
        } catch (const SealmillError& error) {
            failure = error;
        }
        QMetaObject::invokeMethod(
            this,
            [this, count] {
                if (count == waitCount_ && wait_.valid()) {
                    Q_EMIT durable();
                }
            },
            Qt::QueuedConnection);
        return failure;
    });
}

void PublicationBatch::publishCopies(std::vector<Copy>& copies, Ending& ending) {
    size_t done = 0;
    try {
        for (; done < copies.size() && ending.takenName.isEmpty(); ++done) {
            const Copy& copy = copies[done];
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
    copies.erase(copies.begin(), copies.begin() + static_cast<qsizetype>(done));
}

PublicationBatch::Ending PublicationBatch::publishDurable() {
    Ending ending;
    if (!wait_.valid()) {
        return ending;
    }
    if (std::optional<SealmillError> failure = wait_.get()) {
        ending.failure = std::move(failure);
    } else {
        publishCopies(waiting_, ending);
    }
    if (!ending.takenName.isEmpty() || ending.failure) {
        discard();
    } else if (!gathering_.empty()) {
        startWait();
    }
    return ending;
}

PublicationBatch::Ending PublicationBatch::publishAll() {
    Ending ending = publishDurable();
    while (!isEmpty() && ending.takenName.isEmpty() && !ending.failure) {
        const Ending next = publishDurable();
        ending.published << next.published;
        ending.takenName = next.takenName;
        ending.failure = next.failure;
    }
    return ending;
}

void PublicationBatch::discard() noexcept {
    if (wait_.valid()) {
        (void)wait_.get();
    }
    for (const std::vector<Copy>* copies : {&waiting_, &gathering_}) {
        for (const Copy& copy : *copies) {
            folder_.remove(copy.signedName);
        }
    }
    waiting_.clear();
    gathering_.clear();
}

}  // namespace sealmill
