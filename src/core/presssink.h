#pragma once

#include <QLatin1StringView>
#include <QString>

namespace sealmill {

inline constexpr QLatin1StringView kRunningCaption{"&Cancel"};
inline constexpr QLatin1StringView kIdleCaption{"&Close"};
inline constexpr QLatin1StringView kIdleStatus{"Choose your settings and press the button..."};
inline constexpr QLatin1StringView kRunSucceeded{"The Sealmill has run!"};
inline constexpr QLatin1StringView kOutputPathTooLong{"Output path too long! Sorry..."};

// Where a press run reports, and the owner of its cancel flag. The window maps
// these onto its widgets and message boxes; the command-line press onto its
// output streams. All calls come from the thread that runs the loop.
class PressSink {
public:
    PressSink() = default;
    PressSink(const PressSink&) = delete;
    PressSink& operator=(const PressSink&) = delete;
    PressSink(PressSink&&) = delete;
    PressSink& operator=(PressSink&&) = delete;
    virtual ~PressSink() = default;

    // The snapshot is written: the cancel button now reads kRunningCaption.
    virtual void runStarted() = 0;

    // After each number: position 0..100 and "<done> of <total> processed".
    // Both must be visible at once (repaint now), not at the next event round.
    virtual void progress(int position, const QString& status) = 0;

    // An error box (kind error, OK). `details` is extra text for whoever wants
    // it, e.g. the last lines the signer printed; it may be empty.
    virtual void error(const QString& text, const QString& details) = 0;

    // The default failure box; `message` carries no final full stop.
    virtual void failure(const QString& message) = 0;

    // The run is over and brought back to idle: position 0, kIdleStatus,
    // kIdleCaption.
    virtual void idle() = 0;

    // kRunSucceeded as an information box; once it is closed the window closes
    // itself exactly as its Close button does (which requests a cancel).
    virtual void succeeded() = 0;

    // Between two numbers: handle every pending window message once. A click
    // on Cancel lands here, and so may a second click on the run button.
    virtual void processPendingEvents() = 0;

    // Called now and then while a signer runs. The window may repaint here but
    // must not handle input.
    virtual void whileSignerRuns() {}

    // The window's Tag: -1 when a cancel was requested, 0 when none.
    [[nodiscard]] virtual int cancelTag() const = 0;
    virtual void setCancelTag(int tag) = 0;
};

}  // namespace sealmill
