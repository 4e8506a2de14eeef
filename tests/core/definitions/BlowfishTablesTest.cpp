// The cipher's initial tables against the hexadecimal digits of pi, computed here from scratch.
#include "core/definitions/BlowfishCipher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace hookwise::core;

namespace {

// A non-negative fixed-point number: word 0 is the integer part, the rest the fraction in base
// 2^32.
using Fixed = std::vector<std::uint32_t>;

constexpr std::size_t kTableWords = 18 + 4 * 256;
constexpr std::size_t kGuardWords = 2; // absorbs the truncation of every series term

// The helpers take first, the index of the first word that may be non-zero: the words before it
// are zero in the number being divided and in the addend, which halves the work of the series.
void DivideBy(Fixed& number, std::uint32_t divisor, std::size_t first = 0) {
    std::uint64_t remainder = 0;
    for (std::size_t i = first; i < number.size(); ++i) {
        const std::uint64_t current = (remainder << 32) | number[i];
        number[i] = static_cast<std::uint32_t>(current / divisor);
        remainder = current % divisor;
    }
}

void MultiplyBy(Fixed& number, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = number.size(); i-- > 0;) {
        const std::uint64_t current = std::uint64_t{number[i]} * factor + carry;
        number[i] = static_cast<std::uint32_t>(current);
        carry = current >> 32;
    }
}

void Add(Fixed& sum, const Fixed& addend, std::size_t first = 0) {
    std::uint64_t carry = 0;
    for (std::size_t i = sum.size(); i-- > 0;) {
        if (i < first && carry == 0)
            break;
        const std::uint64_t current = std::uint64_t{sum[i]} + addend[i] + carry;
        sum[i] = static_cast<std::uint32_t>(current);
        carry = current >> 32;
    }
}

void Subtract(Fixed& difference, const Fixed& subtrahend, std::size_t first = 0) {
    std::int64_t borrow = 0;
    for (std::size_t i = difference.size(); i-- > 0;) {
        if (i < first && borrow == 0)
            break;
        std::int64_t current = std::int64_t{difference[i]} - subtrahend[i] - borrow;
        borrow = current < 0 ? 1 : 0;
        difference[i] = static_cast<std::uint32_t>(current + (borrow << 32));
    }
}

// arctan(1/x) by its alternating series 1/x - 1/(3x^3) + 1/(5x^5) - ...
Fixed ArctanInverse(std::uint32_t x, std::size_t words) {
    Fixed power(words, 0);
    power[0] = 1;
    DivideBy(power, x);
    Fixed sum = power;
    std::size_t first = 0;
    for (std::uint32_t n = 3, sign = 1;; n += 2, sign ^= 1) {
        while (first < words && power[first] == 0)
            ++first;
        if (first == words)
            break;
        DivideBy(power, x, first);
        DivideBy(power, x, first);
        Fixed term = power;
        DivideBy(term, n, first);
        if (sign)
            Subtract(sum, term, first);
        else
            Add(sum, term, first);
    }
    return sum;
}

// Machin's formula: pi = 16 arctan(1/5) - 4 arctan(1/239).
Fixed Pi(std::size_t fractionWords) {
    const std::size_t words = 1 + fractionWords + kGuardWords;
    Fixed pi = ArctanInverse(5, words);
    MultiplyBy(pi, 16);
    Fixed small = ArctanInverse(239, words);
    MultiplyBy(small, 4);
    Subtract(pi, small);
    return pi;
}

TEST(BlowfishTables, AreTheHexDigitsOfPi) {
    const Fixed pi = Pi(kTableWords);
    ASSERT_EQ(pi[0], 3u);
    for (std::size_t i = 0; i < 18; ++i)
        ASSERT_EQ(BlowfishCipher::kInitialP[i], pi[1 + i]) << "P[" << i << "]";
    for (std::size_t box = 0; box < 4; ++box)
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(BlowfishCipher::kInitialS[box][i], pi[1 + 18 + box * 256 + i])
                << "S" << box << "[" << i << "]";
}

TEST(BlowfishTables, KnownEntries) {
    EXPECT_EQ(BlowfishCipher::kInitialP[0], 0x243F6A88u);
    EXPECT_EQ(BlowfishCipher::kInitialP[17], 0x8979FB1Bu);
    EXPECT_EQ(BlowfishCipher::kInitialS[0][0], 0xD1310BA6u);
    EXPECT_EQ(BlowfishCipher::kInitialS[3][255], 0x3AC372E6u);
}

} // namespace
