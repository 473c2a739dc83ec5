// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace sealmill {

// Total physical memory in bytes; 0 when the platform does not say.
[[nodiscard]] quint64 totalPhysicalMemory();

// Percentage (0..100) of memory still free for new work, or nothing when the
// platform cannot tell; the About box reports that case as a failed lookup.
[[nodiscard]] std::optional<int> freeResourcesPercent();

// The percentage from the text of /proc/meminfo: MemAvailable of MemTotal.
[[nodiscard]] std::optional<int> availablePercentFromMeminfo(QByteArrayView meminfo);

// Where the About box gets its figures; tests hand in their own.
struct SystemFigures {
    std::function<quint64()> totalMemory = totalPhysicalMemory;
    std::function<std::optional<int>()> freeResources = freeResourcesPercent;
};

}  // namespace sealmill
