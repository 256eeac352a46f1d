#include "readers/xlsx/TXlsxReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxSheet.h"
#include "readers/xlsx/TXlsxValues.h"
#include "readers/TXmlChars.h"
#include "readers/TXmlShortcut.h"
#include "readers/TXmlTokenizer.h"
#include "readers/TZipArchive.h"

namespace Excel {

namespace {

struct TSheetEntry {
    std::string name;
    std::string relationship;
};

class TWorkbookHandler : public TXmlHandler {
public:
    std::vector<TSheetEntry> sheets;
    bool date1904 = false;
    bool sawWorkbook = false;

    void StartElement(const TXmlName& name, const TXmlAttributes& a) override
    {
        if (!IsSpreadsheetNamespace(name.uri))
            return;
        if (name.local == "workbook") {
            sawWorkbook = true;
        } else if (name.local == "workbookPr") {
            if (const char* v = a.Find("date1904"))
                date1904 = std::string_view(v) == "1" || std::string_view(v) == "true";
        } else if (name.local == "sheet") {
            TSheetEntry entry;
            if (const char* n = a.Find("name"))
                entry.name = n;
            a.ForEach([&](const TXmlName& attr, std::string_view value) {
                if (attr.local == "id" && IsRelationshipNamespace(attr.uri))
                    entry.relationship = value;
            });
            sheets.push_back(std::move(entry));
        }
    }
    void EndElement(const TXmlName&) override {}
};

// Shared strings: rich-text runs are joined, phonetic runs left out.
class TSharedStringsHandler : public TXmlHandler {
public:
    // partBytes: the part's declared size, which bounds what its text can take.
    TSharedStringsHandler(TWorkbookData& book, std::filesystem::path file, std::uint64_t partBytes)
        : book_(book), file_(std::move(file)), partBytes_(partBytes)
    {
    }
    std::uint32_t count = 0;

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override
    {
        if (!spreadsheet_.Is(name))
            return;
        if (name.local == "sst" && !reserved_) {
            reserved_ = true;  // once: a repeated root must not regrow the pool each time
            Reserve(attributes.Find("uniqueCount"));
        } else if (name.local == "si") {
            inItem_ = true;
            phonetic_ = 0;
            text_.clear();
        } else if (name.local == "rPh") {
            ++phonetic_;
        } else if (name.local == "t" && inItem_ && phonetic_ == 0) {
            collecting_ = true;
        }
    }
    void EndElement(const TXmlName& name) override
    {
        if (!spreadsheet_.Is(name))
            return;
        if (name.local == "t") {
            collecting_ = false;
        } else if (name.local == "rPh") {
            --phonetic_;
        } else if (name.local == "si" && inItem_) {
            inItem_ = false;
            Add();
        }
    }
    void Characters(std::string_view text) override
    {
        if (collecting_)
            text_.append(text);
    }
    // Takes whole items of one run, <si><t>text</t></si>, whatever the state.
    const char* Shortcut(const char* p, const char* end, const TXmlName& defaultNamespace) override
    {
        if (!spreadsheet_.Is(defaultNamespace))
            return p;
        for (const char* next; (next = Item(p, end));)
            p = Xml::SkipBlanks(next, end);
        return p;
    }

private:
    const char* Item(const char* p, const char* end)
    {
        using namespace Xml;
        TPlainTag tag;
        const char* q = ReadPlainTag(p, end, tag);
        if (!q || !SameName(tag.name, "si") || tag.empty)
            return nullptr;
        q = ReadPlainTag(SkipBlanks(q, end), end, tag);
        if (!q || !SameName(tag.name, "t") || tag.empty)
            return nullptr;
        std::string_view text;
        const char* textEnd = ReadText(q, end, text, scratch_);
        const char* close = textEnd ? ReadEndTag(textEnd, end, "t") : nullptr;
        if (!close || !(close = ReadEndTag(SkipBlanks(close, end), end, "si")))
            return nullptr;
        // The state the events leave.
        inItem_ = collecting_ = false;
        phonetic_ = 0;
        text_.assign(text);
        Add();
        return close;
    }
    void Add()
    {
        if (count >= MaxStoredCells)
            throw OpenError(file_, u"共有文字列が多すぎます (" +
                                       IntToStr(static_cast<long long>(MaxStoredCells)) + u" 個まで)。");
        DecodeXmlEscapes(text_);
        book_.AddUtf8String(text_);
        ++count;
    }

    // The pool grown once instead of by copying. Only a hint, bounded by the
    // part's size: the text cannot be longer than the part, nor hold more
    // items than it has room for.
    void Reserve(const char* uniqueCount)
    {
        constexpr std::uint64_t MaxHintBytes = 64u << 20;
        const std::uint64_t bytes = std::min(partBytes_, MaxHintBytes);
        std::uint64_t items = 0;
        if (uniqueCount)
            std::from_chars(uniqueCount, uniqueCount + std::strlen(uniqueCount), items);
        items = std::min<std::uint64_t>({items, bytes / 5, MaxStoredCells});
        book_.ReserveStrings(static_cast<std::size_t>(items), static_cast<std::size_t>(bytes));
    }

    TWorkbookData& book_;
    TSpreadsheetSpace spreadsheet_;
    std::filesystem::path file_;
    std::uint64_t partBytes_;
    bool reserved_ = false;
    bool inItem_ = false;
    bool collecting_ = false;
    int phonetic_ = 0;
    std::string text_;
    std::string scratch_;  // decoded text of an item taken whole
};

// Styles: custom number formats and, per cell format (cellXfs), its numFmtId.
class TStylesHandler : public TXmlHandler {
public:
    std::unordered_map<int, std::string> customCodes;
    std::vector<int> cellFormatIds;

    void StartElement(const TXmlName& name, const TXmlAttributes& a) override
    {
        if (!IsSpreadsheetNamespace(name.uri))
            return;
        if (name.local == "cellXfs") {
            inCellXfs_ = true;
        } else if (name.local == "numFmt") {
            const char* id = a.Find("numFmtId");
            const char* code = a.Find("formatCode");
            if (id && code)
                customCodes[ReadId(id)] = code;
        } else if (name.local == "xf" && inCellXfs_) {
            const char* id = a.Find("numFmtId");
            cellFormatIds.push_back(id ? ReadId(id) : 0);
        }
    }
    void EndElement(const TXmlName& name) override
    {
        if (name.local == "cellXfs" && IsSpreadsheetNamespace(name.uri))
            inCellXfs_ = false;
    }

private:
    static int ReadId(std::string_view text)
    {
        int v = 0;
        for (char c : text) {
            if (c < '0' || c > '9' || v > 100000000)
                return -1;
            v = v * 10 + (c - '0');
        }
        return v;
    }
    bool inCellXfs_ = false;
};

void ReadStyles(const TZipArchive& archive, const std::string& part, TXlsxContext& context)
{
    TStylesHandler styles;
    ParseXmlEntry(archive, part, styles);
    std::unordered_map<int, std::uint32_t> byId;
    for (int id : styles.cellFormatIds) {
        auto it = byId.find(id);
        if (it == byId.end()) {
            UnicodeString code;
            if (auto custom = styles.customCodes.find(id); custom != styles.customCodes.end())
                code = Utf8ToUtf16(custom->second);
            else if (id >= 0)
                code = TNumberFormat::BuiltInCode(id);
            const auto index = code.empty() ? 0 : context.book->AddFormat(code);
            it = byId.emplace(id, index).first;
        }
        context.cellFormats.push_back(it->second);
    }
}

std::string FindWorkbookPart(const TZipArchive& archive)
{
    const auto package = ReadRelationships(archive, "");
    if (const auto* main = FindRelationship(package, "officeDocument"))
        if (archive.Contains(main->target))
            return main->target;
    if (archive.Contains("xl/workbook.xml"))
        return "xl/workbook.xml";
    if (archive.Contains("xl/workbook.bin"))
        throw OpenError(archive.File(), u"バイナリ形式のブック (.xlsb) には対応していません。"
                                        u".xlsx 形式で保存し直してください。");
    throw OpenError(archive.File(), u"ブックの本体 (xl/workbook.xml) が見つかりません。");
}

} // namespace

std::unique_ptr<TWorkbookData> ReadXlsxWorkbook(const TZipArchive& archive)
{
    auto book = std::make_unique<TWorkbookData>();
    TXlsxContext context;
    context.file = archive.File();
    context.book = book.get();

    const std::string workbookPart = FindWorkbookPart(archive);
    TWorkbookHandler workbook;
    ParseXmlEntry(archive, workbookPart, workbook);
    if (!workbook.sawWorkbook)
        throw OpenError(archive.File(), Utf8ToUtf16(workbookPart) + u" はブックではありません。");
    book->date1904 = workbook.date1904;

    const auto relationships = ReadRelationships(archive, workbookPart);
    if (const auto* strings = FindRelationship(relationships, "sharedStrings");
        strings && archive.Contains(strings->target)) {
        TSharedStringsHandler handler(*book, archive.File(), archive.DeclaredSize(strings->target));
        context.sharedBase = static_cast<std::uint32_t>(book->StringCount());
        ParseXmlEntryFast(archive, strings->target, handler);
        context.sharedCount = handler.count;
    }
    if (const auto* styles = FindRelationship(relationships, "styles");
        styles && archive.Contains(styles->target))
        ReadStyles(archive, styles->target, context);

    std::unordered_map<std::string, const TRelationship*> byId;
    for (const auto& r : relationships)
        byId.emplace(r.id, &r);
    std::unordered_set<std::string> seenParts;
    for (const auto& entry : workbook.sheets) {
        const auto it = byId.find(entry.relationship);
        if (it == byId.end() || it->second->target.empty())
            throw OpenError(archive.File(), u"シート \"" + Utf8ToUtf16(entry.name) +
                                                u"\" の本体が見つかりません。");
        // Chart and dialog sheets are not worksheets.
        if (it->second->type != "worksheet")
            continue;
        // Many sheets naming one large part would make the reading endless.
        if (!seenParts.insert(it->second->target).second)
            throw OpenError(archive.File(), u"シート \"" + Utf8ToUtf16(entry.name) +
                                                u"\" の本体が他のシートと重複しています。");
        book->sheets.emplace_back(Utf8ToUtf16(entry.name));
        TSheetData& sheet = book->sheets.back();
        TXlsxSheetHandler handler(context, it->second->target, sheet, archive.DeclaredSize(it->second->target));
        ParseXmlEntryFast(archive, it->second->target, handler);
        sheet.Seal();
    }
    return book;
}

std::unique_ptr<TWorkbookData> ReadXlsxWorkbook(const std::filesystem::path& file)
{
    const TZipArchive archive(file);
    return ReadXlsxWorkbook(archive);
}

} // namespace Excel
