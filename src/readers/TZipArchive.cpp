#include "readers/TZipArchive.h"

#include <fcntl.h>
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "readers/TPieceQueue.h"
#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

// The reasons given after "... を開けません。" or an entry's failure.
constexpr std::u16string_view NotZip = u"ZIP 形式のファイルではありません。";
constexpr std::u16string_view Damaged = u"ファイルが壊れています。";
constexpr std::u16string_view Missing = u"ファイルが見つかりません。";
constexpr std::u16string_view Unreadable = u"ファイルを読み取れません。";
constexpr std::u16string_view NoMemory = u"メモリが不足しています。";
constexpr std::u16string_view Unsupported = u"対応していない圧縮または暗号化の形式です。";
constexpr std::u16string_view DamagedOrUnsupported = u"ファイルが壊れているか、対応していない形式です。";

// Record sizes and signatures of the zip format.
constexpr std::size_t EndSize = 22;
constexpr std::size_t MaxComment = 0xFFFF;
constexpr std::size_t Zip64LocatorSize = 20;
constexpr std::size_t Zip64EndSize = 56;
constexpr std::size_t CentralSize = 46;
constexpr std::size_t LocalSize = 30;
constexpr std::string_view EndSignature("PK\x05\x06", 4);
constexpr std::string_view Zip64LocatorSignature("PK\x06\x07", 4);
constexpr std::string_view Zip64EndSignature("PK\x06\x06", 4);
constexpr std::string_view CentralSignature("PK\x01\x02", 4);
constexpr std::string_view LocalSignature("PK\x03\x04", 4);
constexpr std::uint16_t Stored = 0;
constexpr std::uint16_t Deflated = 8;
constexpr std::uint16_t Encrypted = 0x0001 | 0x0040;  // traditional or strong
// No workbook has this many parts; the directory of one that claims it (or
// claims a directory larger than an entry read whole) is not read into memory.
constexpr std::uint64_t MaxEntries = 1u << 20;

// Pieces small enough to stay in the cache while the reader parses one and
// the inflater fills the next; a small entry gets a buffer its size. Every
// page of a buffer is a page fault the first time it is written.
constexpr std::size_t PieceBytes = 64u << 10;
constexpr std::size_t SmallestPiece = 4096;
constexpr std::size_t InputBytes = 64u << 10;

// The zip CRC-32, by ISA-L: about four times as fast as libdeflate's here.
std::uint32_t Crc32(std::uint32_t crc, const char* data, std::size_t size)
{
    return crc32_gzip_refl(crc, reinterpret_cast<const unsigned char*>(data), size);
}

std::size_t PieceSize(std::uint64_t size)
{
    if (size >= PieceBytes)
        return PieceBytes;
    return std::max<std::size_t>(static_cast<std::size_t>(size) + 1, SmallestPiece);
}

// Little-endian fields of a record; the caller has checked the record's length.
std::uint64_t Le(std::string_view bytes, std::size_t at, int width)
{
    std::uint64_t value = 0;
    for (int i = width; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string FoldAscii(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

} // namespace

TZipArchive::TZipArchive(const std::filesystem::path& file, TZipLimits limits)
    : file_(file), limits_(limits)
{
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw OpenError(file_, errno == ENOENT ? Missing : Unreadable);
    try {
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))
            throw OpenError(file_, Unreadable);
        fileSize_ = static_cast<std::uint64_t>(st.st_size);
        ReadDirectory();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

TZipArchive::~TZipArchive()
{
    ::close(fd_);
}

bool TZipArchive::HasSignature(std::string_view head)
{
    return head.size() >= 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

// Empty when all `size` bytes at `offset` were read; else why not.
std::u16string_view TZipArchive::ReadAt(std::uint64_t offset, char* to, std::size_t size) const
{
    if (offset > fileSize_ || size > fileSize_ - offset)
        return Damaged;
    while (size > 0) {
        const ssize_t got = ::pread(fd_, to, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Unreadable;
        if (got == 0)
            return Damaged;  // the file shrank
        to += got;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::size_t>(got);
    }
    return {};
}

void TZipArchive::ReadDirectory()
{
    if (fileSize_ < EndSize)
        throw OpenError(file_, NotZip);
    // The end record is the last one whose comment ends within the file.
    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, EndSize + MaxComment));
    std::string tail(tailSize, '\0');
    if (const auto why = ReadAt(fileSize_ - tailSize, tail.data(), tailSize); !why.empty())
        throw OpenError(file_, why);
    std::size_t at = tailSize - EndSize + 1;
    while (at-- > 0) {
        if (std::string_view(tail).substr(at, 4) == EndSignature && at + EndSize + Le(tail, at + 20, 2) <= tailSize)
            break;
    }
    if (at == std::string::npos)
        throw OpenError(file_, NotZip);
    const std::uint64_t endOffset = fileSize_ - tailSize + at;
    if (Le(tail, at + 4, 2) != 0 || Le(tail, at + 6, 2) != 0 || Le(tail, at + 8, 2) != Le(tail, at + 10, 2))
        throw OpenError(file_, DamagedOrUnsupported);  // spans several disks
    std::uint64_t count = Le(tail, at + 10, 2);
    std::uint64_t directorySize = Le(tail, at + 12, 4);
    std::uint64_t directoryOffset = Le(tail, at + 16, 4);
    std::uint64_t directoryEnd = endOffset;

    // A zip64 end record, found through the locator just before the end record.
    const bool needs64 = count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF;
    char locator[Zip64LocatorSize];
    if (endOffset >= Zip64LocatorSize &&
        ReadAt(endOffset - Zip64LocatorSize, locator, Zip64LocatorSize).empty() &&
        std::string_view(locator, 4) == Zip64LocatorSignature) {
        const std::string_view loc(locator, Zip64LocatorSize);
        const std::uint64_t offset64 = Le(loc, 8, 8);
        if (offset64 > endOffset - Zip64LocatorSize || endOffset - Zip64LocatorSize - offset64 < Zip64EndSize)
            throw OpenError(file_, Damaged);
        char record[Zip64EndSize];
        if (const auto why = ReadAt(offset64, record, Zip64EndSize); !why.empty())
            throw OpenError(file_, why);
        const std::string_view end64(record, Zip64EndSize);
        if (end64.substr(0, 4) != Zip64EndSignature)
            throw OpenError(file_, Damaged);
        if (Le(end64, 16, 4) != 0 || Le(end64, 20, 4) != 0 || Le(end64, 24, 8) != Le(end64, 32, 8))
            throw OpenError(file_, DamagedOrUnsupported);
        count = Le(end64, 32, 8);
        directorySize = Le(end64, 40, 8);
        directoryOffset = Le(end64, 48, 8);
        directoryEnd = offset64;
    } else if (needs64) {
        throw OpenError(file_, Damaged);
    }
    if (directoryOffset > directoryEnd || directorySize > directoryEnd - directoryOffset ||
        count > directorySize / CentralSize)
        throw OpenError(file_, Damaged);
    if (count > MaxEntries || directorySize > limits_.maxLoadedSize)
        throw OpenError(file_, DamagedOrUnsupported);
    std::string directory(static_cast<std::size_t>(directorySize), '\0');
    if (const auto why = ReadAt(directoryOffset, directory.data(), directory.size()); !why.empty())
        throw OpenError(file_, why);
    ReadEntries(directory, count, directoryOffset);
}

void TZipArchive::ReadEntries(std::string_view directory, std::uint64_t count, std::uint64_t directoryOffset)
{
    entries_.reserve(static_cast<std::size_t>(count));
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (directory.size() - at < CentralSize || directory.substr(at, 4) != CentralSignature)
            throw OpenError(file_, Damaged);
        const std::size_t nameSize = Le(directory, at + 28, 2);
        const std::size_t extraSize = Le(directory, at + 30, 2);
        const std::size_t commentSize = Le(directory, at + 32, 2);
        if (directory.size() - at - CentralSize < nameSize + extraSize + commentSize)
            throw OpenError(file_, Damaged);
        TEntry entry;
        entry.flags = static_cast<std::uint16_t>(Le(directory, at + 8, 2));
        entry.method = static_cast<std::uint16_t>(Le(directory, at + 10, 2));
        entry.crc = static_cast<std::uint32_t>(Le(directory, at + 16, 4));
        entry.compressedSize = Le(directory, at + 20, 4);
        entry.size = Le(directory, at + 24, 4);
        entry.offset = Le(directory, at + 42, 4);
        std::uint64_t disk = Le(directory, at + 34, 2);
        entry.name.assign(directory.substr(at + CentralSize, nameSize));

        // The zip64 extra field holds, in this order, each of these that is saturated.
        std::string_view extra = directory.substr(at + CentralSize + nameSize, extraSize);
        while (extra.size() >= 4) {
            const std::size_t fieldSize = Le(extra, 2, 2);
            if (fieldSize > extra.size() - 4)
                throw OpenError(file_, Damaged);
            if (Le(extra, 0, 2) == 0x0001) {
                std::string_view field = extra.substr(4, fieldSize);
                const auto take = [&](std::uint64_t& value, std::uint64_t saturated, int width) {
                    if (value != saturated)
                        return;
                    if (field.size() < static_cast<std::size_t>(width))
                        throw OpenError(file_, Damaged);
                    value = Le(field, 0, width);
                    field.remove_prefix(static_cast<std::size_t>(width));
                };
                take(entry.size, 0xFFFFFFFF, 8);
                take(entry.compressedSize, 0xFFFFFFFF, 8);
                take(entry.offset, 0xFFFFFFFF, 8);
                take(disk, 0xFFFF, 4);
            }
            extra.remove_prefix(4 + fieldSize);
        }
        if (disk != 0 || entry.offset > directoryOffset || directoryOffset - entry.offset < LocalSize)
            throw OpenError(file_, Damaged);
        at += CentralSize + nameSize + extraSize + commentSize;
        entries_.push_back(std::move(entry));
    }

    // An entry's data must end before the next local header: entries that
    // overlap (a known way to multiply a zip bomb) are refused when read.
    std::vector<std::size_t> order(entries_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return entries_[a].offset < entries_[b].offset; });
    for (std::size_t i = 0; i < order.size(); ++i)
        entries_[order[i]].end = i + 1 < order.size() ? entries_[order[i + 1]].offset : directoryOffset;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        byName_.emplace(entries_[i].name, i);
        byFoldedName_.emplace(FoldAscii(entries_[i].name), i);
    }
}

const TZipArchive::TEntry* TZipArchive::Locate(std::string_view name) const
{
    std::string key(name);
    if (const auto found = byName_.find(key); found != byName_.end())
        return &entries_[found->second];
    key = FoldAscii(std::move(key));
    if (const auto found = byFoldedName_.find(key); found != byFoldedName_.end())
        return &entries_[found->second];
    if (key.find('/') != std::string::npos) {
        // Some writers store Windows separators in entry names.
        std::replace(key.begin(), key.end(), '/', '\\');
        if (const auto found = byFoldedName_.find(key); found != byFoldedName_.end())
            return &entries_[found->second];
    }
    return nullptr;
}

bool TZipArchive::Contains(std::string_view name) const
{
    return Locate(name) != nullptr;
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
    const TEntry* entry = Locate(name);
    return entry ? entry->size : 0;
}

// Where the entry's data begins, after its local header.
std::uint64_t TZipArchive::DataOffset(const TEntry& entry) const
{
    char header[LocalSize];
    if (const auto why = ReadAt(entry.offset, header, LocalSize); !why.empty())
        Fail(entry.name, UnicodeString(u"を開けません。") + UnicodeString(why));
    const std::string_view local(header, LocalSize);
    const std::uint64_t data = entry.offset + LocalSize + Le(local, 26, 2) + Le(local, 28, 2);
    if (local.substr(0, 4) != LocalSignature || Le(local, 8, 2) != entry.method || data > entry.end ||
        entry.compressedSize > entry.end - data)
        Fail(entry.name, UnicodeString(u"を開けません。") + UnicodeString(Damaged));
    return data;
}

bool TZipArchive::InflateWhole(const TEntry& entry, std::uint64_t data, std::string& out) const
{
    // libdeflate inflates a whole buffer several times faster than zlib's
    // stream; anything but a plain deflated entry within bounds streams.
    if (entry.method != Deflated || entry.size > limits_.maxLoadedSize ||
        entry.compressedSize > entry.size + (entry.size >> 8) + 4096)
        return false;
    const std::size_t rawSize = static_cast<std::size_t>(entry.compressedSize);
    const auto raw = std::make_unique_for_overwrite<char[]>(rawSize);
    if (const auto why = ReadAt(data, raw.get(), rawSize); !why.empty())
        Fail(entry.name, UnicodeString(u"を展開できません。") + UnicodeString(why));
    out.resize(static_cast<std::size_t>(entry.size));
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        Fail(entry.name, UnicodeString(u"を展開できません。") + UnicodeString(NoMemory));
    // The output buffer holds exactly the declared size, so an entry that
    // inflates to more is refused as damaged, never grown.
    std::size_t actual = 0;
    const auto result =
        libdeflate_deflate_decompress(inflater.get(), raw.get(), rawSize, out.data(), out.size(), &actual);
    if (result != LIBDEFLATE_SUCCESS || actual != out.size() ||
        Crc32(0, out.data(), out.size()) != entry.crc)
        Fail(entry.name, UnicodeString(u"を展開できません。") + UnicodeString(Damaged));
    return true;
}

void TZipArchive::Inflate(const TEntry& entry, std::uint64_t data,
                          const std::function<bool(std::uint64_t)>& tooLarge, const TPieceSink& sink) const
{
    const auto fail = [&](std::u16string_view why) {
        Fail(entry.name, UnicodeString(u"を展開できません。") + UnicodeString(why));
    };
    const std::size_t pieceSize = PieceSize(entry.size);
    std::string piece(pieceSize, '\0');  // the sink may swap it for another as long
    std::uint64_t total = 0;
    std::uint32_t crc = 0;
    const auto emit = [&](std::size_t size) {
        total += size;
        // The declared size may lie; count what actually comes out.
        if (tooLarge(total))
            Fail(entry.name, u"は展開後のサイズが大きすぎます。");
        if (total > entry.size)
            fail(Damaged);
        crc = Crc32(crc, piece.data(), size);
        sink(piece, size);
    };

    if (entry.method == Stored) {
        if (entry.compressedSize != entry.size)
            fail(Damaged);
        for (std::uint64_t read = 0; read < entry.size;) {
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, entry.size - read));
            if (const auto why = ReadAt(data + read, piece.data(), size); !why.empty())
                fail(why);
            read += size;
            emit(size);
        }
    } else {
        // ISA-L streams deflate at about twice zlib's speed.
        const auto state = std::make_unique<inflate_state>();
        isal_inflate_init(state.get());
        state->crc_flag = ISAL_DEFLATE;  // raw data: the zip entry's CRC is checked here
        const auto input = std::make_unique_for_overwrite<char[]>(InputBytes);
        std::uint64_t read = 0;
        while (state->block_state != ISAL_BLOCK_FINISH) {
            if (state->avail_in == 0 && read < entry.compressedSize) {
                const std::size_t size =
                    static_cast<std::size_t>(std::min<std::uint64_t>(InputBytes, entry.compressedSize - read));
                if (const auto why = ReadAt(data + read, input.get(), size); !why.empty())
                    fail(why);
                read += size;
                state->next_in = reinterpret_cast<std::uint8_t*>(input.get());
                state->avail_in = static_cast<std::uint32_t>(size);
            }
            const std::uint32_t availableIn = state->avail_in;
            state->next_out = reinterpret_cast<std::uint8_t*>(piece.data());
            state->avail_out = static_cast<std::uint32_t>(pieceSize);
            if (isal_inflate(state.get()) < 0)
                fail(Damaged);
            const std::size_t produced = pieceSize - state->avail_out;
            // Neither input taken nor output made: the data ends before the stream.
            if (produced == 0 && state->avail_in == availableIn && state->block_state != ISAL_BLOCK_FINISH)
                fail(Damaged);
            if (produced)
                emit(produced);
        }
    }
    if (total != entry.size || crc != entry.crc)
        fail(Damaged);
}

void TZipArchive::ReadEntry(std::string_view name, std::uint64_t limit, bool whole, const TPieceSink& sink) const
{
    const TEntry* entry = Locate(name);
    if (!entry)
        Fail(name, u"がありません。");
    const std::uint64_t compressed = entry->compressedSize;
    const auto tooLarge = [&](std::uint64_t inflated) {
        if (inflated > limit)
            return true;
        // Real documents compress well, but not by hundreds of times at this size.
        return inflated > limits_.ratioFloor &&
               inflated / (compressed ? compressed : 1) > limits_.maxRatio;
    };
    if (tooLarge(entry->size))
        Fail(name, u"は展開後のサイズが大きすぎます。");
    if ((entry->flags & Encrypted) || (entry->method != Stored && entry->method != Deflated))
        Fail(name, UnicodeString(u"を開けません。") + UnicodeString(Unsupported));
    const std::uint64_t data = DataOffset(*entry);
    if (whole) {
        std::string out;
        if (InflateWhole(*entry, data, out)) {
            sink(out, out.size());
            return;
        }
    }
    Inflate(*entry, data, tooLarge, sink);
}

std::string TZipArchive::Read(std::string_view name) const
{
    std::string out;
    ReadEntry(name, limits_.maxLoadedSize, true,
              [&](const std::string& piece, std::size_t size) { out.append(piece, 0, size); });
    return out;
}

namespace {

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
            ReadEntry(name, limits_.maxEntrySize, false, [&](std::string& piece, std::size_t size) {
                if (!queue.Push(piece, size))
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
        std::string piece;
        for (std::size_t size = 0; queue.Pop(piece, size);)
            sink(std::string_view(piece.data(), size));
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
    ReadEntry(name, limits_.maxEntrySize, false,
              [&](const std::string& piece, std::size_t size) { sink(std::string_view(piece.data(), size)); });
}

} // namespace Excel
