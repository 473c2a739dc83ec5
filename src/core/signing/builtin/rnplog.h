// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

namespace sealmill {

// RNP writes its log lines (file positions of its own source, "unknown armor
// header") to the C library's stderr stream, from whichever thread calls it;
// rnp_ffi_set_log_fd reaches only a few of them. While an RnpLog lives, the
// lines its thread writes there are kept in it instead, for the details of a
// failure; every other thread's writes pass through to descriptor 2 as ever.
// The first RnpLog (or newRnpContext()) puts the routing stream in place of
// stderr for the rest of the process.
class RnpLog {
public:
    RnpLog();
    ~RnpLog();
    Q_DISABLE_COPY_MOVE(RnpLog)

    // What was kept, one line each, without RNP's source positions and
    // without repeats (RNP tries a key file in several formats).
    [[nodiscard]] QString lines() const;

    // Puts the routing stream in place; only the first call does anything.
    static void route();

private:
    QByteArray kept_;
    QByteArray* outer_;  // the RnpLog this one is nested in, on this thread
};

}  // namespace sealmill
