// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace sealmill {

// Bytes that must not linger: a pass phrase, a secret key. The buffer is never
// shared, and every buffer that held them is zeroed before it is freed, also
// when the bytes grow into a larger one.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(QByteArrayView bytes);
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    ~SecretBytes();
    Q_DISABLE_COPY(SecretBytes)

    [[nodiscard]] QByteArrayView view() const { return {data_.get(), size_}; }
    // Followed by a NUL, for C interfaces.
    [[nodiscard]] const char* constData() const { return data_ ? data_.get() : ""; }
    [[nodiscard]] qsizetype size() const { return size_; }
    [[nodiscard]] bool isEmpty() const { return size_ == 0; }

    void append(QByteArrayView more);
    void chop(qsizetype count);  // the wiped end goes
    void clear();

private:
    void reserve(qsizetype capacity);

    std::unique_ptr<char[]> data_;  // NOLINT: a buffer we zero ourselves, not a container
    qsizetype size_ = 0;
    qsizetype capacity_ = 0;
};

// Zeroes memory in a way the compiler may not drop as a dead store.
void wipeMemory(void* data, qsizetype size);

}  // namespace sealmill
