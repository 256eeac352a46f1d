#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <thread>

#include "support/TestSupport.h"
#include "support/ZipFixture.h"
#include "readers/TZipArchive.h"

using namespace testsupport;
using Excel::TZipArchive;
using Excel::TZipLimits;

namespace {

TEST(TZipArchive, ReadsEntriesWholeAndStreamedAndIgnoresCase)
{
    TempDir dir;
    const auto file = dir / "a.zip";
    const std::string big(1'000'000, 'x');
    WriteZip(file, {{"xl/workbook.xml", "<workbook/>"}, {"big.bin", big}});

    TZipArchive zip(file);
    EXPECT_TRUE(zip.Contains("xl/workbook.xml"));
    EXPECT_TRUE(zip.Contains("XL/Workbook.XML"));
    EXPECT_FALSE(zip.Contains("xl/styles.xml"));
    EXPECT_EQ(zip.Read("XL/WORKBOOK.xml"), "<workbook/>");

    std::string streamed;
    int pieces = 0;
    zip.Stream("big.bin", [&](std::string_view p) { streamed.append(p); ++pieces; });
    EXPECT_EQ(streamed, big);
    EXPECT_GT(pieces, 1);
}

TEST(TZipArchive, RefusesBadArchivesWithTheFileNamed)
{
    TempDir dir;
    const auto good = dir / "good.zip";
    std::string payload;
    for (int i = 0; i < 20000; ++i)
        payload += std::to_string(i * 7919 % 10007) + ",";
    WriteZip(good, {{"data.txt", payload}});
    const std::string bytes = ReadFile(good);

    const auto truncated = dir / "truncated.zip";
    WriteFile(truncated, bytes.substr(0, bytes.size() / 2));
    const auto text = dir / "text.zip";
    WriteFile(text, "just some text, not an archive");
    const auto empty = dir / "empty.zip";
    WriteFile(empty, "");

    struct Case {
        std::filesystem::path path;
        std::string reason;
    };
    const Case cases[] = {
        {truncated, ""},
        {text, "ZIP 形式のファイルではありません。"},
        {empty, ""},
        {dir / "missing.zip", "ファイルが見つかりません。"},
        {dir.Path(), ""},
    };
    for (const auto& c : cases) {
        const auto message = OleMessage([&] { TZipArchive zip(c.path); });
        SCOPED_TRACE(c.path.string());
        EXPECT_NE(message.find("ファイル \"" + c.path.string() + "\" を開けません。"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
}

TEST(TZipArchive, DetectsCorruptDataAndMissingEntries)
{
    TempDir dir;
    const auto file = dir / "bad.zip";
    std::string payload;
    for (int i = 0; i < 50000; ++i)
        payload += std::to_string(i * 31337 % 65521) + ";";
    WriteZip(file, {{"data.txt", payload}});
    std::string bytes = ReadFile(file);
    // Damage the deflated data well inside the entry, leaving the headers alone.
    for (std::size_t i = 200; i < 260; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    WriteFile(file, bytes);

    TZipArchive zip(file);
    const auto damaged = OleMessage([&] { (void)zip.Read("data.txt"); });
    EXPECT_NE(damaged.find("data.txt"), std::string::npos) << damaged;
    EXPECT_NE(damaged.find(file.string()), std::string::npos) << damaged;

    const auto missing = OleMessage([&] { (void)zip.Read("xl/sharedStrings.xml"); });
    EXPECT_NE(missing.find("\"xl/sharedStrings.xml\" がありません。"), std::string::npos) << missing;
}

TEST(TZipArchive, RefusesEntriesThatInflateTooFar)
{
    TempDir dir;
    const auto file = dir / "bomb.zip";
    WriteZip(file, {{"zeros", std::string(4 << 20, '\0')}, {"small", "ok"}});

    struct Case {
        TZipLimits limits;
        bool whole;
        bool refused;
    };
    const Case cases[] = {
        {{.maxEntrySize = 1 << 30, .maxLoadedSize = 1 << 20, .ratioFloor = 1ull << 40, .maxRatio = 400}, true, true},
        {{.maxEntrySize = 1 << 20, .maxLoadedSize = 1 << 30, .ratioFloor = 1ull << 40, .maxRatio = 400}, false, true},
        {{.maxEntrySize = 1 << 30, .maxLoadedSize = 1 << 30, .ratioFloor = 1 << 16, .maxRatio = 400}, true, true},
        {{.maxEntrySize = 1 << 30, .maxLoadedSize = 1 << 30, .ratioFloor = 1ull << 40, .maxRatio = 400}, true, false},
        {{.maxEntrySize = 1 << 30, .maxLoadedSize = 1 << 30, .ratioFloor = 1 << 16, .maxRatio = 100000}, false, false},
    };
    for (const auto& c : cases) {
        TZipArchive zip(file, c.limits);
        const auto message = OleMessage([&] {
            if (c.whole)
                (void)zip.Read("zeros");
            else
                zip.Stream("zeros", [](std::string_view) {});
        });
        if (c.refused)
            EXPECT_NE(message.find("展開後のサイズが大きすぎます。"), std::string::npos) << message;
        else
            EXPECT_EQ(message, "");
        EXPECT_EQ(zip.Read("small"), "ok");
    }
}

TEST(TZipArchive, StreamingAheadGivesTheSameBytesAndEitherSidesError)
{
    TempDir dir;
    std::string payload;
    for (long long i = 0; i < 200000; ++i)
        payload += std::to_string(i * 31337 % 65521) + ";";
    WriteZip(dir / "ok.zip", {{"data.txt", payload}});
    std::string bytes = ReadFile(dir / "ok.zip");
    // Damage the deflated data in its middle, leaving the headers alone.
    ASSERT_GT(bytes.size(), 4000u);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 60; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    WriteFile(dir / "bad.zip", bytes);

    TZipArchive good(dir / "ok.zip");
    std::string streamed, ahead;
    good.Stream("data.txt", [&](std::string_view piece) { streamed += piece; });
    good.StreamAhead("data.txt", [&](std::string_view piece) { ahead += piece; });
    EXPECT_EQ(streamed, payload);
    EXPECT_EQ(ahead, payload);
    // A slow reader: the inflater fills the queue and waits for room, again and again.
    std::string slow;
    good.StreamAhead("data.txt", [&](std::string_view piece) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        slow += piece;
    });
    EXPECT_EQ(slow, payload);

    // The inflating thread's failure reaches the caller ...
    TZipArchive bad(dir / "bad.zip");
    const auto damaged = OleMessage([&] { bad.StreamAhead("data.txt", [](std::string_view) {}); });
    EXPECT_NE(damaged.find("data.txt"), std::string::npos) << damaged;
    // ... and the reader's own failure stops the thread and passes unchanged.
    int pieces = 0;
    const auto stopped = OleMessage([&] {
        good.StreamAhead("data.txt", [&](std::string_view) {
            if (++pieces == 2)
                throw Excel::EOleException(u"stop");
        });
    });
    EXPECT_EQ(stopped, "stop");
    EXPECT_EQ(pieces, 2);
}

// Archives written byte by byte, so that every field can be wrong.
struct TRawEntry {
    std::string name;
    std::string data;  // as stored
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    bool zip64 = false;             // sizes and offset in the zip64 extra field
    long long offsetShift = 0;      // added to the local header offset in the directory
};

void Put(std::string& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

TRawEntry Stored(std::string name, std::string data)
{
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                      static_cast<uInt>(data.size())));
    return {std::move(name), data, 0, 0, crc, data.size()};
}

TRawEntry Deflated(std::string name, const std::string& data)
{
    TRawEntry entry = Stored(std::move(name), data);
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    entry.data.resize(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(entry.data.data());
    z.avail_out = static_cast<uInt>(entry.data.size());
    deflate(&z, Z_FINISH);
    entry.data.resize(z.total_out);
    deflateEnd(&z);
    entry.method = 8;
    return entry;
}

// `zip64` adds the zip64 end record and its locator.
std::string RawZip(const std::vector<TRawEntry>& entries, bool zip64 = false)
{
    std::string out, directory;
    for (const auto& e : entries) {
        // Flags to the name's length: the same in the local header and the directory.
        const auto common = [&](std::string& to) {
            Put(to, e.flags, 2);
            Put(to, e.method, 2);
            Put(to, 0, 4);
            Put(to, e.crc, 4);
            Put(to, e.zip64 ? 0xFFFFFFFF : e.data.size(), 4);
            Put(to, e.zip64 ? 0xFFFFFFFF : e.size, 4);
            Put(to, e.name.size(), 2);
        };
        const std::uint64_t offset = out.size();
        out += "PK\x03\x04";
        Put(out, 20, 2);
        common(out);
        Put(out, 0, 2);
        out += e.name + e.data;

        std::string extra;
        if (e.zip64) {
            Put(extra, 1, 2);
            Put(extra, 24, 2);
            Put(extra, e.size, 8);
            Put(extra, e.data.size(), 8);
            Put(extra, offset + e.offsetShift, 8);
        }
        directory += "PK\x01\x02";
        Put(directory, 45, 2);
        Put(directory, 45, 2);
        common(directory);
        Put(directory, extra.size(), 2);
        Put(directory, 0, 2 + 2 + 2);  // comment size, disk, internal attributes
        Put(directory, 0, 4);          // external attributes
        Put(directory, e.zip64 ? 0xFFFFFFFF : offset + e.offsetShift, 4);
        directory += e.name + extra;
    }
    const std::uint64_t directoryOffset = out.size();
    out += directory;
    if (zip64) {
        const std::uint64_t end64 = out.size();
        out += "PK\x06\x06";
        Put(out, 44, 8);
        Put(out, 45, 2);
        Put(out, 45, 2);
        Put(out, 0, 8);
        Put(out, entries.size(), 8);
        Put(out, entries.size(), 8);
        Put(out, directory.size(), 8);
        Put(out, directoryOffset, 8);
        out += "PK\x06\x07";
        Put(out, 0, 4);
        Put(out, end64, 8);
        Put(out, 1, 4);
    }
    out += "PK\x05\x06";
    Put(out, 0, 4);
    Put(out, zip64 ? 0xFFFF : entries.size(), 2);
    Put(out, zip64 ? 0xFFFF : entries.size(), 2);
    Put(out, zip64 ? 0xFFFFFFFF : directory.size(), 4);
    Put(out, zip64 ? 0xFFFFFFFF : directoryOffset, 4);
    Put(out, 0, 2);
    return out;
}

TEST(TZipArchive, ReadsStoredAndZip64EntriesAndRefusesDamagedOrForeignOnes)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 30000; ++i)
        text += std::to_string(i) + ",";
    const TRawEntry stored = Stored("a.xml", text);
    const TRawEntry deflated = Deflated("b.xml", text);
    const auto with = [](TRawEntry e, auto change) {
        change(e);
        return e;
    };

    // Archives that open, and what reading "b.xml" (or "a.xml") gives.
    struct Case {
        const char* what;
        std::string bytes;
        std::string entry;
        std::string reason;  // "" when the entry reads back as `text`
    };
    const Case cases[] = {
        {"stored and deflated", RawZip({stored, deflated}), "a.xml", ""},
        {"zip64 records", RawZip({with(stored, [](auto& e) { e.zip64 = true; }), deflated}, true), "a.xml", ""},
        {"zip64 deflated", RawZip({stored, with(deflated, [](auto& e) { e.zip64 = true; })}, true), "b.xml", ""},
        {"encrypted", RawZip({with(deflated, [](auto& e) { e.flags = 1; })}), "b.xml",
         "\"b.xml\" を開けません。対応していない圧縮または暗号化の形式です。"},
        {"bzip2", RawZip({with(deflated, [](auto& e) { e.method = 12; })}), "b.xml",
         "\"b.xml\" を開けません。対応していない圧縮または暗号化の形式です。"},
        {"wrong CRC", RawZip({with(stored, [](auto& e) { e.crc ^= 1; })}), "a.xml",
         "\"a.xml\" を展開できません。ファイルが壊れています。"},
        {"stored sizes differ", RawZip({with(stored, [](auto& e) { e.size -= 1; })}), "a.xml",
         "\"a.xml\" を展開できません。ファイルが壊れています。"},
        {"deflated data cut short", RawZip({with(deflated, [](auto& e) { e.data.resize(e.data.size() / 2); })}),
         "b.xml", "\"b.xml\" を展開できません。ファイルが壊れています。"},
        {"deflated data cut to nothing", RawZip({with(deflated, [](auto& e) { e.data.clear(); })}), "b.xml",
         "\"b.xml\" を展開できません。ファイルが壊れています。"},
        {"deflated data scrambled", RawZip({with(deflated, [](auto& e) {
             for (std::size_t i = e.data.size() / 3; i < e.data.size() / 3 + 64; ++i)
                 e.data[i] = static_cast<char>(e.data[i] ^ 0xA5);
         })}),
         "b.xml", "\"b.xml\" を展開できません。ファイルが壊れています。"},
        {"inflates past its size", RawZip({with(deflated, [](auto& e) { e.size -= 10; })}), "b.xml",
         "\"b.xml\" を展開できません。ファイルが壊れています。"},
        // Both entries name the same local header: the data overlaps.
        {"overlapping entries", RawZip({deflated, with(deflated, [&](auto& e) {
                                            e.name = "c.xml";
                                            e.offsetShift = -static_cast<long long>(30 + 5 + deflated.data.size());
                                        })}),
         "b.xml", "\"b.xml\" を開けません。ファイルが壊れています。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = dir / "raw.zip";
        WriteFile(file, c.bytes);
        TZipArchive zip(file);
        std::string whole, streamed;
        const auto readWhole = OleMessage([&] { whole = zip.Read(c.entry); });
        const auto readStreamed =
            OleMessage([&] { zip.Stream(c.entry, [&](std::string_view piece) { streamed += piece; }); });
        if (c.reason.empty()) {
            EXPECT_EQ(readWhole, "");
            EXPECT_EQ(readStreamed, "");
            EXPECT_TRUE(whole == text && streamed == text);
        } else {
            EXPECT_NE(readWhole.find(c.reason), std::string::npos) << readWhole;
            EXPECT_NE(readStreamed.find(c.reason), std::string::npos) << readStreamed;
        }
    }

    // Archives whose directory cannot be trusted are refused when opened.
    std::string outside = RawZip({stored});
    outside[outside.size() - 6] = 0x7F;  // directory offset past the end
    std::string cut = RawZip({stored, deflated}, true);
    cut.erase(cut.size() - 22 - 20 - 56 + 4, 8);  // inside the zip64 end record
    const std::string intoDirectory = RawZip({with(stored, [](auto& e) { e.offsetShift = 1 << 20; })});
    for (const auto& bytes : {outside, cut, intoDirectory}) {
        const auto file = dir / "bad.zip";
        WriteFile(file, bytes);
        const auto message = OleMessage([&] { TZipArchive zip(file); });
        EXPECT_NE(message.find("を開けません。ファイルが壊れています。"), std::string::npos) << message;
    }
}

TEST(TZipArchive, RecognisesTheSignature)
{
    EXPECT_TRUE(TZipArchive::HasSignature(std::string_view("PK\x03\x04rest", 8)));
    EXPECT_TRUE(TZipArchive::HasSignature(std::string_view("PK\x05\x06", 4)));
    EXPECT_FALSE(TZipArchive::HasSignature("PK"));
    EXPECT_FALSE(TZipArchive::HasSignature("\xD0\xCF\x11\xE0"));
}

} // namespace
