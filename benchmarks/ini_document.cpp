// Reading and writing ini documents of growing size. Figures are ratios
// against decoding the same bytes to UTF-16 (the least any reader must do),
// measured in the same run. Reading grows linearly when the read/decode
// ratio stays about the same from 1 000 to 100 000 sections.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "settings/TIniFile.h"
#include "text/UnicodeString.h"

namespace {

std::string MakeIni(int sections)
{
    std::string out;
    for (int i = 0; i < sections; ++i) {
        out += "[Section" + std::to_string(i) + "]\r\n";
        out += "TemplateFilePath=/home/user/テンプレート/card" + std::to_string(i) + ".html\r\n";
        out += "TemplateFileEncoding=1\r\nHtmlSavePath=/srv/www/out\r\n\r\n";
    }
    return out;
}

template <typename F>
double BestSeconds(F&& work, int rounds)
{
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

volatile std::size_t sink;

} // namespace

int main()
{
    double readRatio[2] = {};
    const int sizes[2] = {1000, 100000};
    for (int n = 0; n < 2; ++n) {
        const std::string bytes = MakeIni(sizes[n]);
        const int rounds = sizes[n] < 10000 ? 50 : 5;
        const double decode = BestSeconds([&] { sink = Utf8ToUtf16(bytes).size(); }, rounds);
        const double read = BestSeconds([&] { sink = TIniFile::FromBytes(bytes).SectionExists(u"Section0"); }, rounds);
        const TIniFile ini = TIniFile::FromBytes(bytes);
        const double write = BestSeconds([&] { sink = ini.ToBytes().size(); }, rounds);
        readRatio[n] = read / decode;
        std::printf("%6d sections, %8zu bytes: decode %.3f ms; read %.1fx decode; write %.1fx decode\n",
                    sizes[n], bytes.size(), decode * 1e3, read / decode, write / decode);
    }
    std::printf("read/decode ratio, 100000 vs 1000 sections: %.2fx\n", readRatio[1] / readRatio[0]);
    return 0;
}
