// Displayed-text speed: 1,000,000 cells formatted with a mix of ten typical
// formats, against snprintf("%.15g") of the same numbers measured in the same
// run. Two sets of numbers: computed ones (16 or 17 digits) and typed ones
// (whole numbers and hundredths, which take the short ways), each also per
// format.

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "numfmt/TNumberFormat.h"
#include "text/UnicodeString.h"

namespace {

constexpr int kCells = 1000000;
constexpr int kRounds = 5;

template <typename F>
double BestSeconds(F&& run) {
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

} // namespace

int main() {
    const char16_t* codes[] = {
        u"General", u"#,##0", u"0.00%", u"yyyy/m/d", u"ggge\"年\"m\"月\"d\"日\"",
        u"0.00", u"\"¥\"#,##0;\"¥\"\\-#,##0", u"h:mm:ss", u"0.00E+00", u"yyyy/m/d h:mm",
    };
    std::vector<std::shared_ptr<const Excel::TNumberFormat>> formats;
    for (auto code : codes) formats.push_back(Excel::TNumberFormat::Compile(code));

    // Values that suit every format: dates up to the 22nd century, with times.
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> dist(0, 80000);
    std::vector<double> computed(kCells), typed(kCells);
    for (auto& v : computed) v = dist(random);
    for (auto& v : typed) v = double(random() % 8000000) / (random() % 2 ? 100 : 1);

    std::size_t sink = 0;
    const auto baselineOf = [&](const std::vector<double>& values) {
        return BestSeconds([&] {
            char buffer[32];
            for (double v : values) sink += std::snprintf(buffer, sizeof buffer, "%.15g", v);
        });
    };
    const auto mixOf = [&](const std::vector<double>& values) {
        return BestSeconds([&] {
            for (int i = 0; i < kCells; ++i) sink += formats[i % 10]->FormatNumber(values[i], false).size();
        });
    };
    const double baseline = baselineOf(computed);
    const double formatted = mixOf(computed);
    const double typedBaseline = baselineOf(typed);
    const double typedFormatted = mixOf(typed);

    std::printf("cells: %d, ten formats, best of %d rounds\n", kCells, kRounds);
    std::printf("baseline snprintf(%%.15g): %10.0f cells/s\n", kCells / baseline);
    std::printf("TNumberFormat::FormatNumber: %10.0f cells/s\n", kCells / formatted);
    std::printf("ratio (time / baseline): %.2f (limit 3.00)\n", formatted / baseline);
    std::printf("typed values: %10.0f cells/s, ratio %.2f against their snprintf\n", kCells / typedFormatted,
                typedFormatted / typedBaseline);
    std::printf("per format, ns per cell (computed / typed values):\n");
    for (std::size_t f = 0; f < formats.size(); ++f) {
        double ns[2];
        for (int set = 0; set < 2; ++set) {
            const std::vector<double>& values = set == 0 ? computed : typed;
            ns[set] = BestSeconds([&] {
                for (double v : values) sink += formats[f]->FormatNumber(v, false).size();
            }) * 1e9 / kCells;
        }
        std::printf("  %-32s %6.1f %6.1f\n", Utf16ToUtf8(codes[f]).c_str(), ns[0], ns[1]);
    }
    std::printf("(checksum %zu)\n", sink);
    return formatted / baseline <= 3.0 ? 0 : 1;
}
