// Reading and writing ini documents of growing size. Figures are ratios
// against decoding the same bytes to UTF-16 (the least any reader must do),
// measured in the same run. Reading grows linearly when the read/decode
// ratio stays about the same from 1 000 to 100 000 sections.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

std::string Repeat(const std::function<std::string(int)>& line, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += line(i);
    return out;
}

// Resident memory in KB: the peak since the last reset, or the current.
long MemoryKb(const char* field)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, field, &kb) == 1)
            break;
    if (f)
        std::fclose(f);
    return kb;
}

// Peak memory that reading `bytes` adds, in MB, measured in a child process
// with its peak reset first. -1 when that cannot be measured.
double PeakGrowth(const std::string& bytes)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::FILE* reset = std::fopen("/proc/self/clear_refs", "w");
        if (!reset || std::fputs("5", reset) < 0 || std::fclose(reset) != 0)
            ::_exit(255);
        const long before = MemoryKb("VmRSS: %ld kB");
        sink = TIniFile::FromBytes(bytes).SectionExists(u"CONFIG");
        const long grown = (MemoryKb("VmHWM: %ld kB") - before) / 1024;
        ::_exit(static_cast<int>(std::clamp(grown, 0L, 254L)));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

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

    // Hostile files: memory must stay a small multiple of the file's size
    // (decoding alone takes twice it). Whole MB, so only large files.
    const std::pair<const char*, std::string> shapes[] = {
        {"a million sections", Repeat([](int i) { return "[s" + std::to_string(i) + "]\n"; }, 1000000)},
        {"a million keys", "[CONFIG]\n" + Repeat([](int i) { return "k" + std::to_string(i) + "=v\n"; }, 1000000)},
        {"a million \"=\" lines", "[CONFIG]\n" + Repeat([](int) { return std::string("=\n"); }, 1000000)},
        {"one line of 15 MB", "[CONFIG]\nk=" + std::string(15 << 20, 'x')},
    };
    for (const auto& [name, bytes] : shapes) {
        const double mb = bytes.size() / 1048576.0;
        const double grown = PeakGrowth(bytes);
        std::printf("%-22s %6.1f MB: peak +%4.0f MB, %4.1fx the file\n", name, mb, grown, grown / mb);
    }
    return 0;
}
