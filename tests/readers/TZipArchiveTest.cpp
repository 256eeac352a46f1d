#include <gtest/gtest.h>

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

TEST(TZipArchive, RecognisesTheSignature)
{
    EXPECT_TRUE(TZipArchive::HasSignature(std::string_view("PK\x03\x04rest", 8)));
    EXPECT_TRUE(TZipArchive::HasSignature(std::string_view("PK\x05\x06", 4)));
    EXPECT_FALSE(TZipArchive::HasSignature("PK"));
    EXPECT_FALSE(TZipArchive::HasSignature("\xD0\xCF\x11\xE0"));
}

} // namespace
