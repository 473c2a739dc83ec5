#pragma once

#include "outputfolder.h"
#include "sealmillerror.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace sealmill {

// Signed copies that wait in their temporary files to be published together,
// as a database commits a group of transactions with one wait for the disk:
// each copy's bytes start on their way to disk when it joins, publishing
// waits for all of them, moves them to their output names in order and then
// puts the folder's entries on disk. A copy is published only once its bytes
// are on disk, so an output name never holds a part of one after a crash.
class PublicationBatch {
public:
    explicit PublicationBatch(OutputFolder& folder) : folder_(folder) {}
    ~PublicationBatch() { discard(); }
    Q_DISABLE_COPY_MOVE(PublicationBatch)

    // The next copy's signature starts: how long the batch's copies take
    // tells a quick signer, whose copies are worth gathering, from a slow one.
    void signingStarts() {
        if (copies_.empty()) {
            started_.start();
        }
    }

    // A signed copy in `signedName`, open as `file`, for `outputName`.
    void add(qint64 serial, const QString& signedName, const QString& outputName, OpenFile file);

    [[nodiscard]] bool isEmpty() const { return copies_.empty(); }

    // True when the copies should be published now: they took long to sign
    // (waiting for more would only hold back the progress), the batch is
    // full, or it has been gathering long enough.
    [[nodiscard]] bool isDue() const;

    struct Ending {
        QList<qint64> published;  // in order; names and bytes are on disk
        QString takenName;        // the output name found taken, if one was
        std::optional<SealmillError> failure;
    };
    // Publishes the copies in order, up to the first that cannot be: it and
    // the ones after it are removed.
    [[nodiscard]] Ending publish();

    // Removes every copy not published.
    void discard() noexcept;

private:
    struct Copy {
        qint64 serial = 0;
        QString signedName;
        QString outputName;
        OpenFile file;
    };

    OutputFolder& folder_;
    std::vector<Copy> copies_;
    QElapsedTimer started_;  // when the first copy's signature started
};

}  // namespace sealmill
