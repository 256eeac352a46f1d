#include "readers/TZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

UnicodeString ZipReason(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP:
        return u"ZIP 形式のファイルではありません。";
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_EOF:
        return u"ファイルが壊れています。";
    case ZIP_ER_NOENT:
        return u"ファイルが見つかりません。";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return u"ファイルを読み取れません。";
    case ZIP_ER_MEMORY:
        return u"メモリが不足しています。";
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return u"対応していない圧縮または暗号化の形式です。";
    default:
        return u"ファイルが壊れているか、対応していない形式です。";
    }
}

struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

} // namespace

TZipArchive::TZipArchive(const std::filesystem::path& file, TZipLimits limits)
    : file_(file), limits_(limits)
{
    int error = 0;
    archive_ = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive_)
        throw OpenError(file_, ZipReason(error));
}

TZipArchive::~TZipArchive()
{
    if (archive_)
        zip_discard(archive_);
}

bool TZipArchive::HasSignature(std::string_view head)
{
    return head.size() >= 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

std::int64_t TZipArchive::Locate(std::string_view name) const
{
    const std::string key(name);
    auto index = zip_name_locate(archive_, key.c_str(), 0);
    if (index < 0)
        index = zip_name_locate(archive_, key.c_str(), ZIP_FL_NOCASE);
    if (index < 0 && key.find('/') != std::string::npos) {
        // Some writers store Windows separators in entry names.
        std::string windows = key;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        index = zip_name_locate(archive_, windows.c_str(), ZIP_FL_NOCASE);
    }
    return index;
}

bool TZipArchive::Contains(std::string_view name) const
{
    return Locate(name) >= 0;
}

void TZipArchive::Fail(std::string_view name, std::u16string_view why) const
{
    UnicodeString reason = u"ZIP のエントリ \"";
    reason += Utf8ToUtf16(name);
    reason += u"\" ";
    reason += why;
    throw OpenError(file_, reason);
}

void TZipArchive::ReadEntry(std::string_view name, std::uint64_t limit,
                            const std::function<void(std::string_view)>& sink) const
{
    const auto index = Locate(name);
    if (index < 0)
        Fail(name, u"がありません。");

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0)
        Fail(name, u"を読み取れません。");
    const std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    const auto tooLarge = [&](std::uint64_t inflated) {
        if (inflated > limit)
            return true;
        // Real documents compress well, but not by hundreds of times at this size.
        return inflated > limits_.ratioFloor &&
               inflated / (compressed ? compressed : 1) > limits_.maxRatio;
    };
    if ((st.valid & ZIP_STAT_SIZE) && tooLarge(st.size))
        Fail(name, u"は展開後のサイズが大きすぎます。");

    std::unique_ptr<zip_file_t, ZipFileCloser> entry(
        zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
    if (!entry)
        Fail(name, u"を開けません。" + ZipReason(zip_error_code_zip(zip_get_error(archive_))));

    std::vector<char> buffer(256 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        const auto got = zip_fread(entry.get(), buffer.data(), buffer.size());
        if (got < 0)
            Fail(name, u"を展開できません。" +
                           ZipReason(zip_error_code_zip(zip_file_get_error(entry.get()))));
        if (got == 0)
            break;
        total += static_cast<std::uint64_t>(got);
        // The declared size may lie; count what actually comes out.
        if (tooLarge(total))
            Fail(name, u"は展開後のサイズが大きすぎます。");
        sink(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
}

std::string TZipArchive::Read(std::string_view name) const
{
    std::string out;
    ReadEntry(name, limits_.maxLoadedSize, [&](std::string_view piece) { out.append(piece); });
    return out;
}

void TZipArchive::Stream(std::string_view name,
                         const std::function<void(std::string_view)>& sink) const
{
    ReadEntry(name, limits_.maxEntrySize, sink);
}

} // namespace Excel
