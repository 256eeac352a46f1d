// Decoding and encoding throughput against a bare iconv() call over the same
// bytes in the same run. Prints one line per charset and direction.
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <ctime>
#include <cstdio>
#include <functional>
#include <string>

#include "text/TCodePageConverter.h"
#include "text/TStringUtility.h"

namespace {

constexpr std::size_t kTargetBytes = 8u << 20;
constexpr int kRounds = 11;

// Mixed Japanese prose: kana, kanji, half-width katakana, symbols, ASCII
// markup; every character exists in all three charsets, so that plain iconv
// runs through without an error.
const char16_t kParagraph[] =
    u"<p>本日は晴天なり。東京都千代田区の会議室で、第３回の打ち合わせを行いました。"
    u"ｶﾀｶﾅ表記の商品名（ﾃｽﾄ）と、価格１，２８０円から３，５００円の見積もりについて話し合い、"
    u"（１）納期、（２）数量、（３）支払い条件を確認した。ひらがなとカタカナ、漢字が混在する文章です。</p>\n";

struct Timing {
    double ours;
    double bare;
};

// CPU time of this thread: on a shared machine wall time mostly measures
// how long we waited for a core.
double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Once(const std::function<void()>& work)
{
    const double start = CpuSeconds();
    work();
    return CpuSeconds() - start;
}

// Best of several rounds, the two taking turns so that both see the same load
// on a shared machine.
Timing Compare(const std::function<void()>& ours, const std::function<void()>& bare)
{
    Timing best{1e30, 1e30};
    for (int i = 0; i < kRounds; ++i) {
        best.ours = std::min(best.ours, Once(ours));
        best.bare = std::min(best.bare, Once(bare));
    }
    return best;
}

// One plain iconv() pass into a buffer that is large enough.
std::size_t BareIconv(iconv_t cd, const std::string& in, std::string& out)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inp = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outp = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1))
        return 0;
    return out.size() - outLeft;
}

void Report(const char* what, const char* charset, std::size_t bytes, Timing t)
{
    const double ours = t.ours, bare = t.bare;
    const double mb = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-7s %-9s %6.1f MB  tabloom %8.1f MB/s  iconv %8.1f MB/s  ratio %.2f\n", what, charset, mb,
                mb / ours, mb / bare, ours / bare);
}

} // namespace

// Arguments, if any, name the charsets to run (Shift_JIS, EUC-JP, UTF-8).
int main(int argc, char** argv)
{
    const char* utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    const struct {
        unsigned codePage;
        const char* name;
    } charsets[] = {{932, "Shift_JIS"}, {20932, "EUC-JP"}, {65001, "UTF-8"}};

    for (const auto& c : charsets) {
        if (argc > 1 && std::find_if(argv + 1, argv + argc, [&](const char* a) { return c.name == std::string(a); }) ==
                            argv + argc)
            continue;
        const std::string iconvName = TCodePageConverter::IconvNameOf(c.codePage);
        const UnicodeString paragraph(kParagraph);
        const std::size_t perParagraph = TStringUtility::EncodeString(paragraph, c.codePage).size();
        UnicodeString text;
        for (std::size_t n = 0; n < kTargetBytes; n += perParagraph)
            text += paragraph;
        const RawByteString bytes{TStringUtility::EncodeString(text, c.codePage).bytes, RawCodePage};
        const std::string textBytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);

        // Decode.
        UnicodeString decoded;
        iconv_t toUtf16 = iconv_open(utf16, iconvName.c_str());
        std::string bareOut(bytes.size() * 2 + 16, '\0');
        std::size_t bareSize = 0;
        const Timing decode = Compare([&] { decoded = TStringUtility::DecodeString(bytes, c.codePage); },
                                      [&] { bareSize = BareIconv(toUtf16, bytes.bytes, bareOut); });
        iconv_close(toUtf16);
        if (bareSize != decoded.size() * 2) {
            std::fprintf(stderr, "decode %s: sizes differ\n", c.name);
            return 1;
        }
        Report("decode", c.name, bytes.size(), decode);

        // Encode.
        RawByteString encoded;
        iconv_t fromUtf16 = iconv_open(iconvName.c_str(), utf16);
        bareOut.assign(text.size() * 3 + 16, '\0');
        const Timing encode = Compare([&] { encoded = TStringUtility::EncodeString(text, c.codePage); },
                                      [&] { bareSize = BareIconv(fromUtf16, textBytes, bareOut); });
        iconv_close(fromUtf16);
        if (bareSize != encoded.size()) {
            std::fprintf(stderr, "encode %s: sizes differ\n", c.name);
            return 1;
        }
        Report("encode", c.name, encoded.size(), encode);
    }
    return 0;
}
