#include "readers/TZipArchive.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
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

// Pieces small enough to stay in the cache while the reader parses one and
// the inflater fills the next; a small entry gets a buffer its size. Every
// page of a buffer is a page fault the first time it is written.
constexpr std::size_t PieceBytes = 64u << 10;
constexpr std::size_t SmallestPiece = 4096;

std::size_t PieceSize(const zip_stat_t& st)
{
    if (!(st.valid & ZIP_STAT_SIZE) || st.size >= PieceBytes)
        return PieceBytes;
    return std::max<std::size_t>(static_cast<std::size_t>(st.size) + 1, SmallestPiece);
}

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

std::uint64_t TZipArchive::DeclaredSize(std::string_view name) const
{
    const auto index = Locate(name);
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE))
        return 0;
    return st.size;
}

bool TZipArchive::InflateWhole(std::int64_t index, const zip_stat_t& st, std::string_view name,
                               std::string& out) const
{
    // libdeflate inflates a whole buffer several times faster than zlib's
    // stream; anything but a plain deflated entry with known sizes streams.
    constexpr auto needed = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                            ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
    if ((st.valid & needed) != needed || st.comp_method != ZIP_CM_DEFLATE ||
        st.encryption_method != ZIP_EM_NONE || st.size > limits_.maxLoadedSize ||
        st.comp_size > st.size + (st.size >> 8) + 4096)
        return false;
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(
        zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED));
    if (!entry)
        return false;
    const std::size_t rawSize = static_cast<std::size_t>(st.comp_size);
    const auto raw = std::make_unique_for_overwrite<char[]>(rawSize);
    for (std::size_t at = 0; at < rawSize;) {
        const auto got = zip_fread(entry.get(), raw.get() + at, rawSize - at);
        if (got <= 0)
            Fail(name, u"を展開できません。" + ZipReason(got < 0 ? zip_error_code_zip(zip_file_get_error(entry.get()))
                                                               : ZIP_ER_EOF));
        at += static_cast<std::size_t>(got);
    }
    out.resize(static_cast<std::size_t>(st.size));
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        Fail(name, u"を展開できません。" + ZipReason(ZIP_ER_MEMORY));
    // The output buffer holds exactly the declared size, so an entry that
    // inflates to more is refused as damaged, never grown.
    std::size_t actual = 0;
    const auto result = libdeflate_deflate_decompress(inflater.get(), raw.get(), rawSize, out.data(),
                                                      out.size(), &actual);
    if (result != LIBDEFLATE_SUCCESS || actual != out.size())
        Fail(name, u"を展開できません。" + ZipReason(ZIP_ER_ZLIB));
    if (libdeflate_crc32(0, out.data(), out.size()) != st.crc)
        Fail(name, u"を展開できません。" + ZipReason(ZIP_ER_CRC));
    return true;
}

void TZipArchive::ReadEntry(std::string_view name, std::uint64_t limit, bool whole,
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
    if (whole) {
        std::string out;
        if (InflateWhole(index, st, name, out)) {
            sink(out);
            return;
        }
    }

    std::unique_ptr<zip_file_t, ZipFileCloser> entry(
        zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
    if (!entry)
        Fail(name, u"を開けません。" + ZipReason(zip_error_code_zip(zip_get_error(archive_))));

    // Not zeroed: only what inflating writes is touched.
    const std::size_t size = PieceSize(st);
    const auto buffer = std::make_unique_for_overwrite<char[]>(size);
    std::uint64_t total = 0;
    for (;;) {
        const auto got = zip_fread(entry.get(), buffer.get(), size);
        if (got < 0)
            Fail(name, u"を展開できません。" +
                           ZipReason(zip_error_code_zip(zip_file_get_error(entry.get()))));
        if (got == 0)
            break;
        total += static_cast<std::uint64_t>(got);
        // The declared size may lie; count what actually comes out.
        if (tooLarge(total))
            Fail(name, u"は展開後のサイズが大きすぎます。");
        sink(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
    }
}

std::string TZipArchive::Read(std::string_view name) const
{
    std::string out;
    ReadEntry(name, limits_.maxLoadedSize, true, [&](std::string_view piece) { out.append(piece); });
    return out;
}

namespace {

// Pieces passed from the inflating thread to the reading one, a few at most.
class TPieceQueue {
public:
    static constexpr std::size_t Depth = 4;

    // False once the reader has given up.
    bool Push(std::string_view piece)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || pieces_.size() < Depth; });
        if (stopped_)
            return false;
        if (spare_.empty())
            pieces_.emplace_back(piece);
        else {
            pieces_.push_back(std::move(spare_.back()));
            spare_.pop_back();
            pieces_.back().assign(piece);
        }
        changed_.notify_all();
        return true;
    }
    // The next piece into `piece`; false at the end.
    bool Pop(std::string& piece)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return finished_ || !pieces_.empty(); });
        if (pieces_.empty())
            return false;
        spare_.push_back(std::move(piece));
        piece = std::move(pieces_.front());
        pieces_.pop_front();
        changed_.notify_all();
        return true;
    }
    void Finish(std::exception_ptr error)
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        error_ = std::move(error);
        changed_.notify_all();
    }
    void Stop()
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    std::exception_ptr Error()
    {
        std::lock_guard lock(mutex_);
        return error_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pieces_;
    std::vector<std::string> spare_;  // buffers handed back, so pieces are not reallocated
    bool finished_ = false;
    bool stopped_ = false;
    std::exception_ptr error_;
};

struct TStopped {};

} // namespace

void TZipArchive::StreamAhead(std::string_view name,
                              const std::function<void(std::string_view)>& sink) const
{
    TPieceQueue queue;
    std::thread inflater;
    try {
        inflater = std::thread([&] {
        try {
            Stream(name, [&](std::string_view piece) {
                if (!queue.Push(piece))
                    throw TStopped{};
            });
            queue.Finish(nullptr);
        } catch (const TStopped&) {
            queue.Finish(nullptr);
        } catch (...) {
            queue.Finish(std::current_exception());
        }
        });
    } catch (const std::system_error&) {
        Stream(name, sink);  // no thread to be had: inflate as we go
        return;
    }
    try {
        for (std::string piece; queue.Pop(piece);)
            sink(piece);
    } catch (...) {
        queue.Stop();
        inflater.join();
        throw;
    }
    inflater.join();
    if (auto error = queue.Error())
        std::rethrow_exception(error);
}

void TZipArchive::Stream(std::string_view name,
                         const std::function<void(std::string_view)>& sink) const
{
    ReadEntry(name, limits_.maxEntrySize, false, sink);
}

} // namespace Excel
