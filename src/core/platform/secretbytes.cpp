// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/secretbytes.h"

#include <string.h>  // explicit_bzero
#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <utility>

namespace sealmill {

namespace {

constexpr qsizetype kSmallestBuffer = 256;

// A byte at a time through general registers: a vectorised memcpy would leave
// the bytes in vector registers, which the dynamic linker's first resolution
// of a function (or a signal frame) saves onto the stack, where they outlive
// every buffer.
void copySecret(char* to, const char* from, qsizetype size) {
    auto* target = static_cast<volatile char*>(to);
    const auto* source = static_cast<const volatile char*>(from);
    for (qsizetype i = 0; i < size; ++i) {
        target[i] = source[i];
    }
}

}  // namespace

void wipeMemory(void* data, qsizetype size) {
    if (data != nullptr && size > 0) {
        ::explicit_bzero(data, static_cast<size_t>(size));  // not optimised away
    }
}

SecretBytes::SecretBytes(QByteArrayView bytes) {
    append(bytes);
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : data_(std::move(other.data_)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

SecretBytes::~SecretBytes() {
    clear();
}

void SecretBytes::append(QByteArrayView more) {
    if (more.isEmpty()) {
        return;
    }
    if (size_ + more.size() + 1 > capacity_) {
        reserve(std::max({capacity_ * 2, size_ + more.size() + 1, kSmallestBuffer}));
    }
    copySecret(data_.get() + size_, more.data(), more.size());
    size_ += more.size();
    data_[size_] = '\0';
}

void SecretBytes::chop(qsizetype count) {
    const qsizetype kept = std::max<qsizetype>(0, size_ - count);
    wipeMemory(data_.get() + kept, size_ - kept);
    size_ = kept;
}

void SecretBytes::clear() {
    wipeMemory(data_.get(), capacity_);
    data_.reset();
    size_ = 0;
    capacity_ = 0;
}

void SecretBytes::reserve(qsizetype capacity) {
    auto larger = std::make_unique<char[]>(static_cast<size_t>(capacity));  // NOLINT: see data_
    if (size_ > 0) {
        copySecret(larger.get(), data_.get(), size_);
    }
    wipeMemory(data_.get(), capacity_);
    data_ = std::move(larger);
    capacity_ = capacity;
}

}  // namespace sealmill
