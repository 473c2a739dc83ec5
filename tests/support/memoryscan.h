// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <cstdint>

// Whether this process's writable memory holds a secret anywhere: its heap,
// every thread's stack, every library's data. The secret is given with each
// byte inverted, so the search itself puts no copy of it in memory; the
// mappings to read are listed before the read buffer is mapped, so the buffer
// is never searched, and it is wiped and unmapped at the end.
[[nodiscard]] inline bool inWritableMemory(const QByteArray& inverted) {
    struct Range {
        quintptr from;
        quintptr to;
    };
    QList<Range> ranges;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly) || inverted.isEmpty()) {
        return false;
    }
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2 || fields.at(1).size() < 2 || fields.at(1).at(1) != 'w') {
            continue;
        }
        const QList<QByteArray> bounds = fields.at(0).split('-');
        ranges.append(
            {bounds.value(0).toULongLong(nullptr, 16), bounds.value(1).toULongLong(nullptr, 16)});
    }
    const int memory = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    constexpr size_t kChunk = size_t{1} << 20;
    const auto overlap = static_cast<size_t>(inverted.size()) - 1;
    void* mapped = ::mmap(nullptr, kChunk + overlap, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory < 0 || mapped == MAP_FAILED) {
        return false;
    }
    // Read a byte at a time: a vector register holding a match could be
    // saved to the stack (by the dynamic linker's first call of a function).
    auto* buffer = static_cast<volatile unsigned char*>(mapped);
    const auto* needle = reinterpret_cast<const unsigned char*>(inverted.constData());
    const auto matchesAt = [&](size_t at) {
        for (size_t i = 0; i <= overlap; ++i) {
            if (static_cast<unsigned char>(~buffer[at + i]) != needle[i]) {
                return false;
            }
        }
        return true;
    };
    bool found = false;
    for (const Range& range : std::as_const(ranges)) {
        for (quintptr at = range.from; at < range.to && !found; at += kChunk) {
            const size_t wanted = std::min<quintptr>(kChunk + overlap, range.to - at);
            const ssize_t got = ::pread(memory, mapped, wanted, static_cast<off_t>(at));
            for (ssize_t i = 0; i + static_cast<ssize_t>(overlap) < got && !found; ++i) {
                found = matchesAt(static_cast<size_t>(i));
            }
        }
    }
    std::fill_n(buffer, kChunk + overlap, 0);
    ::munmap(mapped, kChunk + overlap);
    ::close(memory);
    return found;
}

// The bytes with each one inverted: the form inWritableMemory() takes.
[[nodiscard]] inline QByteArray inverted(const QByteArray& bytes) {
    QByteArray flipped = bytes;
    for (char& byte : flipped) {
        byte = static_cast<char>(~byte);
    }
    return flipped;
}
