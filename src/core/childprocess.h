#pragma once

#include <sys/types.h>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace sealmill {

// An open file descriptor, closed when this goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    Q_DISABLE_COPY_MOVE(FileDescriptor)

    [[nodiscard]] int get() const { return fd_; }
    void reset(int fd);
    void close() { reset(-1); }

private:
    int fd_;
};

// A new pipe whose ends are close-on-exec and never descriptors 0 to 2, so
// handing them to a child as its standard descriptors cannot overwrite one
// another. False when the system has no descriptors left.
[[nodiscard]] bool openPipe(FileDescriptor& readEnd, FileDescriptor& writeEnd);

// Starts `program` (an absolute path) with `input`, `output` and `errors` as
// its descriptors 0, 1 and 2 (-1: the null device), each either -1 or from
// openPipe; everything else of ours is
// close-on-exec. The caller's environment, directory and signal mask are
// inherited on purpose (a front end may block SIGINT so that only it decides
// on a cancel); SIGPIPE goes back to its default, as a program started from a
// shell expects. Returns 0 or the error number, as posix_spawn does.
[[nodiscard]] int spawnChild(pid_t& pid, const QString& program, const QStringList& arguments,
                             int input, int output, int errors);

// The read end of a pipe from a child, and what takes each piece that arrives.
// The buffer a piece was read into is zeroed once it is taken, so a secret
// the child prints stays only where the taker puts it.
struct ChildPipe {
    int fd = -1;
    std::function<void(QByteArrayView)> take;
};

// Waits for the child to end, taking what arrives on `pipes` as it comes
// (a child that fills a pipe would wait for ever), and calling `whileWaiting`
// about every `sliceMs` when given. What the child wrote before it ended is
// taken too; a process it left behind may still hold a pipe, so this does not
// wait for the pipes to close. The child is always reaped, and killed first
// should a callback throw. Returns its wait status, or nothing when it was
// reaped elsewhere (SIGCHLD ignored).
std::optional<int> waitForChild(pid_t pid, const QList<ChildPipe>& pipes, int sliceMs,
                                const std::function<void()>& whileWaiting = {});

}  // namespace sealmill
