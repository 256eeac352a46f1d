// libFuzzer target for the OpenDocument cell reader: the input becomes the
// content.xml of a well-formed package, so mutations reach the XML handling
// instead of stopping at the zip checksums.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unistd.h>
#include <vector>
#include <zip.h>

#include "FuzzCheck.h"
#include "text/Exception.h"
#include "readers/TXmlTokenizer.h"
#include "readers/ods/TOdsContent.h"
#include "readers/ods/TOdsReader.h"

namespace {

bool WritePackage(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size)
{
    static const char mimetype[] = "application/vnd.oasis.opendocument.spreadsheet";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    auto add = [&](const char* name, const void* bytes, std::size_t length) {
        zip_source_t* source = zip_source_buffer(archive, bytes, length, 0);
        if (source && zip_file_add(archive, name, source, 0) >= 0)
            return true;
        zip_source_free(source);
        return false;
    };
    if (!add("mimetype", mimetype, sizeof mimetype - 1) || !add("content.xml", data, size)) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

// The cells of the top left corner read in one order and then in the
// other: lookups remember where they were, and must not depend on it.
void CheckCorner(const Excel::TSheetData& sheet)
{
    constexpr std::uint32_t Size = 40;
    using TSeen = std::tuple<int, double, std::uint32_t, std::uint32_t>;
    const auto look = [&](std::uint32_t row, std::uint32_t column) {
        const auto* cell = sheet.Find(row, column);
        if (!cell)
            return TSeen{-1, 0.0, 0u, 0u};
        return TSeen{static_cast<int>(cell->type), cell->number, cell->text, cell->shown};
    };
    std::vector<TSeen> forward;
    std::size_t held = 0;
    for (std::uint32_t row = 1; row <= Size; ++row)
        for (std::uint32_t column = 1; column <= Size; ++column) {
            forward.push_back(look(row, column));
            held += std::get<0>(forward.back()) >= 0;
        }
    Check(held <= sheet.CellCount());
    for (std::uint32_t row = Size; row >= 1; --row)
        for (std::uint32_t column = Size; column >= 1; --column) {
            const TSeen seen = look(row, column);
            const TSeen& before = forward[(row - 1) * Size + column - 1];
            Check(std::get<0>(seen) == std::get<0>(before) && std::get<2>(seen) == std::get<2>(before) &&
                  std::get<3>(seen) == std::get<3>(before));
        }
}

// The content read with the fast path or without it: nullptr when refused.
std::unique_ptr<Excel::TWorkbookData> ReadContent(std::string_view content, bool fast)
{
    auto book = std::make_unique<Excel::TWorkbookData>();
    try {
        Excel::TOdsContentHandler handler(*book, "fuzz.ods");
        Excel::TXmlTokenizer tokenizer(handler, "fuzz.ods", "content.xml");
        if (fast)
            handler.ReadBy(&tokenizer);
        tokenizer.Parse(content, true);
    } catch (const Exception&) {
        return nullptr;
    }
    return book;
}

// The fast path takes what it reads with the outcome of the general path.
void CheckFastPath(std::string_view content)
{
    const auto general = ReadContent(content, false);
    const auto fast = ReadContent(content, true);
    Check(!general == !fast);
    if (!general)
        return;
    Check(general->sheets.size() == fast->sheets.size());
    constexpr std::uint32_t Size = 24;
    for (std::size_t s = 0; s < general->sheets.size(); ++s) {
        const auto& a = general->sheets[s];
        const auto& b = fast->sheets[s];
        Check(a.Name() == b.Name() && a.CellCount() == b.CellCount());
        for (std::uint32_t row = 1; row <= Size; ++row)
            for (std::uint32_t column = 1; column <= Size; ++column) {
                const auto* x = a.Find(row, column);
                const Excel::TCellData cx = x ? *x : Excel::TCellData{};
                const auto* y = b.Find(row, column);
                Check(!x == !y);
                if (!y)
                    continue;
                const auto text = [](const Excel::TWorkbookData& book, std::uint32_t n) {
                    return n == Excel::NoText ? ::UnicodeString(u"-") : book.String(n);
                };
                Check(cx.type == y->type && cx.style == y->style && (cx.number == y->number || cx.number != cx.number));
                Check(text(*general, cx.text) == text(*fast, y->text));
                Check(text(*general, cx.shown) == text(*fast, y->shown));
            }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabloom-fuzz-ods-" + std::to_string(::getpid()) + ".ods");
    CheckFastPath(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!WritePackage(path, data, size))
        return 0;
    try {
        const auto book = Excel::ReadOdsWorkbook(path);
        for (const auto& sheet : book->sheets)
            CheckCorner(sheet);
    } catch (const Exception&) {
    }
    return 0;
}
