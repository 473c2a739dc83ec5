// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "secretbytes.h"

#include <rnp/rnp.h>
#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <utility>

namespace sealmill {

namespace {

constexpr qsizetype kSmallestBuffer = 256;

}  // namespace

void wipeMemory(void* data, qsizetype size) {
    if (data != nullptr && size > 0) {
        rnp_buffer_clear(data, static_cast<size_t>(size));
    }
}

SecretBytes::SecretBytes(QByteArrayView bytes) {
    append(bytes);
}

SecretBytes SecretBytes::fromText(const QString& text) {
    QByteArray utf8 = text.toUtf8();  // a fresh buffer of its own, so zeroing it reaches no other
    SecretBytes bytes(utf8);
    wipeMemory(utf8.data(), utf8.size());
    return bytes;
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
    std::memcpy(data_.get() + size_, more.data(), static_cast<size_t>(more.size()));
    size_ += more.size();
    data_[size_] = '\0';
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
        std::memcpy(larger.get(), data_.get(), static_cast<size_t>(size_));
    }
    wipeMemory(data_.get(), capacity_);
    data_ = std::move(larger);
    capacity_ = capacity;
}

}  // namespace sealmill
