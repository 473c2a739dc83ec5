// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/outputfolder.h"
#include "core/sealmillerror.h"

#include <QList>
#include <QObject>
#include <QString>
#include <future>
#include <optional>
#include <vector>

namespace sealmill {

// Signed copies that wait in their temporary files to be published, as a
// database commits transactions in groups: each copy's bytes start on their
// way to disk when it joins; one wait for the disk runs in the background
// for all the copies that joined, while more are signed and gather for the
// next wait. Only once a copy's wait has ended is it moved to its output
// name, in order. So a copy is published only once its bytes are on disk,
// and an output name never holds a part of one after a crash. The folder's
// entries are put on disk by whoever ends the run (OutputFolder::flushEntries).
class PublicationBatch : public QObject {
    Q_OBJECT

public:
    explicit PublicationBatch(OutputFolder& folder, QObject* parent = nullptr);
    ~PublicationBatch() override;  // waits for the wait under way; removes what is unpublished
    Q_DISABLE_COPY_MOVE(PublicationBatch)

    // A signed copy in `signedName`, open as `file`, for `outputName`.
    void add(qint64 serial, const QString& signedName, const QString& outputName, OpenFile file);

    // True when nothing waits to be published.
    [[nodiscard]] bool isEmpty() const { return gathering_.empty() && waiting_.empty(); }
    // True when so many copies gathered that the signer should wait for them.
    [[nodiscard]] bool isFull() const;

    struct Ending {
        QList<qint64> published;  // in order; their bytes are on disk
        QString takenName;        // the output name found taken, if one was
        std::optional<SealmillError> failure;
    };
    // Publishes the copies whose wait has ended (waiting for it when it
    // still runs) and starts the next wait. On a failure, the copy that
    // failed and all after it are removed.
    [[nodiscard]] Ending publishDurable();
    // Publishes every copy, waiting for the disk as long as it takes.
    [[nodiscard]] Ending publishAll();

    // Removes every copy not published.
    void discard() noexcept;

Q_SIGNALS:
    // A wait has ended: publishDurable() publishes its copies.
    void durable();

private:
    struct Copy {
        qint64 serial = 0;
        QString signedName;
        QString outputName;
        OpenFile file;
    };

    void startWait();
    void publishCopies(std::vector<Copy>& copies, Ending& ending);

    OutputFolder& folder_;
    std::vector<Copy> gathering_;
    std::vector<Copy> waiting_;  // their wait runs in `wait_`
    std::future<std::optional<SealmillError>> wait_;
    int waitCount_ = 0;  // tells a wait's late signal from the current one's
};

}  // namespace sealmill
