// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/progress.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace sealmill {

namespace {

// The figures are those of a machine that divided and multiplied in the x87
// extended format: every step rounded to a 64-bit significand, to nearest,
// ties to even. Exact arithmetic differs where a step's rounding tips a half:
// 59 of 200 is 29 there, not 30. The steps are done here in integers, so no
// compiler's long double matters.

using Bits = std::uint64_t;
constexpr Bits kTopBit = Bits{1} << 63;

// A positive number: significand * 2^exponent, the significand's top bit set.
struct Extended {
    Bits significand;
    int exponent;
};

// To nearest, ties to even: up when the dropped part is over half, or half
// on an odd significand.
bool roundsUp(Bits dropped, Bits half, Bits kept) {
    return dropped > half || (dropped == half && (kept & 1U) != 0);
}

Extended roundedUp(Extended x) {
    return ++x.significand == 0 ? Extended{kTopBit, x.exponent + 1} : x;
}

// a / b for positive a and b: long division, a bit at a time, until the
// quotient has 64 bits.
Extended divide(Bits a, Bits b) {
    const int shiftA = std::countl_zero(a);
    const int shiftB = std::countl_zero(b);
    a <<= shiftA;
    b <<= shiftB;
    Bits quotient = 0;
    Bits remainder = a;
    int bits = 0;
    if (remainder >= b) {
        quotient = 1;
        remainder -= b;
    }
    while (quotient < kTopBit) {
        const bool carry = (remainder & kTopBit) != 0;  // twice the remainder is at least b
        remainder <<= 1;
        quotient <<= 1;
        ++bits;
        if (carry || remainder >= b) {
            remainder -= b;
            quotient |= 1U;
        }
    }
    const Extended x{quotient, shiftB - shiftA - bits};
    // remainder / b against one half, without doubling the remainder.
    const Bits rest = b - remainder;
    return remainder > rest || (remainder == rest && (quotient & 1U) != 0) ? roundedUp(x) : x;
}

// x * 100: the exact product in two 64-bit halves, then rounded to 64 bits.
Extended times100(Extended x) {
    constexpr Bits kFactor = 100;
    const Bits low = (x.significand & 0xFFFFFFFFU) * kFactor;
    const Bits high = (x.significand >> 32) * kFactor;
    const Bits productLow = low + (high << 32);
    const Bits productHigh = (high >> 32) + (productLow < low ? 1 : 0);  // 50 to 99
    const auto drop = static_cast<int>(std::bit_width(productHigh));
    const Extended product{(productHigh << (64 - drop)) | (productLow >> drop), x.exponent + drop};
    const Bits dropped = productLow & ((Bits{1} << drop) - 1);
    return roundsUp(dropped, Bits{1} << (drop - 1), product.significand) ? roundedUp(product)
                                                                         : product;
}

// x to the nearest integer, ties to even; saturated where qint64 ends.
qint64 nearestInteger(Extended x) {
    if (x.exponent >= 0) {
        return std::numeric_limits<qint64>::max();  // 2^63 or more
    }
    const int shift = -x.exponent;
    if (shift >= 64) {  // below 1: over one half only with bits beyond the top one
        return shift == 64 && x.significand > kTopBit ? 1 : 0;
    }
    const Bits whole = x.significand >> shift;
    const Bits fraction = x.significand & ((Bits{1} << shift) - 1);
    const Bits rounded = whole + (roundsUp(fraction, Bits{1} << (shift - 1), whole) ? 1 : 0);
    return rounded > Bits{std::numeric_limits<qint64>::max()} ? std::numeric_limits<qint64>::max()
                                                              : static_cast<qint64>(rounded);
}

}  // namespace

qint64 progressPosition(qint64 done, qint64 total) {
    if (done == 0 || total <= 0) {
        return 0;
    }
    const Bits magnitude = done < 0 ? Bits{0} - static_cast<Bits>(done) : static_cast<Bits>(done);
    const qint64 position = nearestInteger(times100(divide(magnitude, static_cast<Bits>(total))));
    return done < 0 ? -position : position;
}

QString progressStatus(qint64 done, qint64 total) {
    return QStringLiteral("%1 of %2 processed").arg(done).arg(total);
}

}  // namespace sealmill
