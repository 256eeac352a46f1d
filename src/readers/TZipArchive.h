#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Excel {

// Bounds on what one entry may inflate to, so a zip bomb is refused before
// it costs memory or time. Both the declared and the actual size are checked.
struct TZipLimits {
    std::uint64_t maxEntrySize = 1ull << 30;       // streamed entries
    std::uint64_t maxLoadedSize = 256ull << 20;    // entries read whole into memory
    std::uint64_t ratioFloor = 64ull << 20;        // the ratio applies beyond this size
    std::uint64_t maxRatio = 400;                  // inflated / compressed
};

// A read-only zip archive opened from a path. Every failure is an
// EOleException whose message names the workbook file. Stored and deflated
// entries, zip64 included; every offset and size in the file is checked
// before use, and what an entry inflates to is checked against its CRC-32.
// The archive only reads (pread), so entries may be read on several threads.
class TZipArchive {
public:
    explicit TZipArchive(const std::filesystem::path& file, TZipLimits limits = {});
    ~TZipArchive();
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    const std::filesystem::path& File() const { return file_; }

    // Entry names are matched exactly first, then ignoring ASCII case (part
    // names of Office files are case-insensitive).
    bool Contains(std::string_view name) const;

    // The whole entry; a missing entry is an error. Deflated entries are
    // inflated in one go by libdeflate, streamed ones by ISA-L.
    std::string Read(std::string_view name) const;

    // As Stream, but a second thread inflates the next pieces while the sink
    // works on one. The sink runs on the calling thread; nothing else may use
    // the archive meanwhile. Errors of either side are thrown here.
    void StreamAhead(std::string_view name, const std::function<void(std::string_view)>& sink) const;

    // The entry in pieces of at most a few hundred KiB, for streaming parsers.
    void Stream(std::string_view name, const std::function<void(std::string_view)>& sink) const;

    // The inflated size an entry declares; 0 when it is missing or declares
    // none. Only a hint for reserving memory: reading checks what comes out.
    std::uint64_t DeclaredSize(std::string_view name) const;

    // Whether the first bytes of a file are those of a zip archive.
    static bool HasSignature(std::string_view head);

private:
    // An entry as the central directory gives it.
    struct TEntry {
        std::string name;
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t size = 0;
        std::uint64_t offset = 0;  // of the local header
        std::uint64_t end = 0;     // where the next entry or the directory begins
    };

    void ReadDirectory();
    void ReadEntries(std::string_view directory, std::uint64_t count, std::uint64_t directoryOffset);
    std::u16string_view ReadAt(std::uint64_t offset, char* to, std::size_t size) const;
    const TEntry* Locate(std::string_view name) const;
    std::uint64_t DataOffset(const TEntry& entry) const;
    // Takes the first `size` bytes of `piece`, and may swap `piece` for
    // another buffer at least as long, which is filled next.
    using TPieceSink = std::function<void(std::string& piece, std::size_t size)>;
    void ReadEntry(std::string_view name, std::uint64_t limit, bool whole, const TPieceSink& sink) const;
    bool InflateWhole(const TEntry& entry, std::uint64_t data, std::string& out) const;
    void Inflate(const TEntry& entry, std::uint64_t data, const std::function<bool(std::uint64_t)>& tooLarge,
                 const TPieceSink& sink) const;
    [[noreturn]] void Fail(std::string_view name, std::u16string_view why) const;

    std::filesystem::path file_;
    TZipLimits limits_;
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    std::vector<TEntry> entries_;
    // First entry of each name, as stored and in ASCII lower case.
    std::unordered_map<std::string, std::size_t> byName_;
    std::unordered_map<std::string, std::size_t> byFoldedName_;
};

} // namespace Excel
