// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

namespace sealmill {

// While one of these lives the process writes no core file and other processes
// of the same user cannot attach to it or read its memory: it holds a secret
// key. They may overlap; when the last one goes the earlier settings return.
class CoreDumpsOff {
public:
    CoreDumpsOff();
    ~CoreDumpsOff();
    Q_DISABLE_COPY_MOVE(CoreDumpsOff)
};

}  // namespace sealmill
