#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numfmt/TNumberFormatDecimal.h"

using namespace Excel::NumberFormat;

namespace {

// Values where shortest digits, whole numbers and 15-digit rounding part ways.
std::vector<double> EdgeValues()
{
    constexpr double min = std::numeric_limits<double>::min();
    std::vector<double> values = {
        1e15, 1e15 - 1, 1e15 + 2, 999999999999999.4, 999999999999999.5, 9007199254740992.0,
        9007199254740994.0, 1e-5, 0.1 + 0.2, 0.3, 1.0 / 3, 2.0 / 3, 0.5, 5e-324, 2.5e-320,
        min, std::nextafter(min, 0.0), std::nextafter(min, 1.0), std::numeric_limits<double>::max(),
        9.999999999999995e22, 9.99999999999999e22, 1e23, 123456789012345.6, 0.000123456789012345,
        1234567.891, 99999999999.5, 1e11, 1e100, 1e308, 1e-300, 4.35, 2.675, 1.005, 0.015,
        // Exact ties at the 15th digit (a 16th digit 5 in binary), and
        // roundings that carry into a new digit.
        1234567.126953125, 1234567.123046875, 99999999999999.99, 9.9999999999999996, 0.99999999999999989,
        1e-7, std::nextafter(1e-7, 0.0), std::nextafter(1e14, 0.0),
    };
    for (double v = 1; v < 1e300; v *= 10) {
        values.push_back(v);
        values.push_back(std::nextafter(v, 0.0));
        values.push_back(std::nextafter(v, 2 * v));
    }
    return values;
}

std::string Describe(const TDecimal& d)
{
    return std::string(d.digits, std::size_t(d.count)) + "e" + std::to_string(d.pointPos);
}

TEST(Decimal, ShortWaysGiveTheRoundedDigitsOfEveryDouble)
{
    std::vector<double> values = EdgeValues();
    std::mt19937_64 random(7);
    for (int i = 0; i < 300000; ++i) {
        // Any bit pattern, and the short decimals that fill real sheets.
        const double any = std::bit_cast<double>(random());
        if (std::isfinite(any)) values.push_back(std::fabs(any));
        values.push_back(double(random() % 100000000) / std::pow(10.0, double(random() % 12)));
        values.push_back(double(random() % (1ull << 53)));
        // Computed values: every binade from 2^-24 to 2^46, all 53 bits used.
        values.push_back(std::ldexp(double(random() % (1ull << 53) | 1ull << 52), int(random() % 71) - 76));
    }
    for (double v : values) {
        const TDecimal fast = TDecimal::FromDouble(v);
        const TDecimal exact = TDecimal::FromDoubleRounded(v);
        ASSERT_EQ(Describe(fast), Describe(exact)) << std::hexfloat << v;
    }
}

// The General text skips the digit machinery where the value needs no
// rounding; around the width's edges it must still agree with it.
TEST(Decimal, GeneralTextOfExactValuesMatchesTheDigitPath)
{
    std::vector<double> values = EdgeValues();
    for (double v : {99999999999.0, 100000000000.0, 9999999999.5, 999999999.25, 12345678.91, 1234567.891,
                     0.123456789, 0.1234567891, 0.000000001, 0.0000000015, 1e-7, 1.5e-7, 1e-8, 99999999999999.5,
                     12345678901234.5, 0.5, 1025.25, 100.1, 1e14 - 0.5, 1e14 + 0.5})
        values.push_back(v);
    std::mt19937_64 random(11);
    for (int i = 0; i < 100000; ++i) {
        values.push_back(double(random() % 100000000000000) / std::pow(10.0, double(random() % 16)));
        values.push_back(std::bit_cast<double>(random()));
    }
    for (double v : values) {
        for (double signed_ : {v, -v}) {
            UnicodeString fast, reference;
            AppendGeneral(signed_, fast);
            AppendGeneralByDigits(signed_, reference);
            ASSERT_EQ(Utf16ToUtf8(fast), Utf16ToUtf8(reference)) << std::hexfloat << signed_;
            ASSERT_EQ(GeneralText(signed_), fast) << std::hexfloat << signed_;
        }
    }
}

} // namespace
