#include "readers/xlsx/TXlsxReader.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxSharedStrings.h"
#include "readers/xlsx/TXlsxSheet.h"
#include "readers/xlsx/TXlsxValues.h"
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

// Once the shared strings are whole, the strings the sheets read meanwhile
// kept aside move into the pool after them.
void EndSharedStrings(TXlsxContext& context)
{
    context.shared->Finish();
    if (!context.aside)
        return;
    const TStringPool& aside = *context.aside;
    context.aside = nullptr;
    if (aside.Count() == 0)
        return;
    const std::uint32_t first = context.book->Strings().AddAll(aside);
    for (TSheetData& sheet : context.book->sheets)
        sheet.MoveStrings(AsideBase, first);
}

void ReadSheets(const TZipArchive& archive, const std::vector<TSheetEntry>& sheets,
                const std::vector<TRelationship>& relationships, TXlsxContext& context)
{
    std::unordered_map<std::string, const TRelationship*> byId;
    for (const auto& r : relationships)
        byId.emplace(r.id, &r);
    std::unordered_set<std::string> seenParts;
    for (const auto& entry : sheets) {
        const auto it = byId.find(entry.relationship);
        if (it == byId.end() || it->second->target.empty())
            throw OpenError(archive.File(), u"シート \"" + Utf8ToUtf16(entry.name) +
                                                u"\" の本体が見つかりません。");
        // Chart and dialog sheets are not worksheets.
        if (it->second->type != "worksheet")
            continue;
        const std::string& part = it->second->target;
        // Many sheets naming one large part would make the reading endless.
        if (!seenParts.insert(part).second)
            throw OpenError(archive.File(), u"シート \"" + Utf8ToUtf16(entry.name) +
                                                u"\" の本体が他のシートと重複しています。");
        context.book->sheets.emplace_back(Utf8ToUtf16(entry.name));
        TSheetData& sheet = context.book->sheets.back();
        TXlsxSheetHandler handler(context, part, sheet, archive.DeclaredSize(part));
        ParseXmlEntryFast(archive, part, handler);
        sheet.Seal();
        // Only the first sheet is read beside the shared strings.
        EndSharedStrings(context);
    }
    EndSharedStrings(context);
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
    std::optional<TXlsxSharedStrings> shared;
    TStringPool aside;
    if (const auto* strings = FindRelationship(relationships, "sharedStrings");
        strings && archive.Contains(strings->target)) {
        shared.emplace(archive, strings->target, *book);
        context.aside = &aside;
    } else {
        shared.emplace(static_cast<std::uint32_t>(book->StringCount()), 0);
    }
    context.shared = &*shared;
    try {
        if (const auto* styles = FindRelationship(relationships, "styles");
            styles && archive.Contains(styles->target))
            ReadStyles(archive, styles->target, context);
        ReadSheets(archive, workbook.sheets, relationships, context);
    } catch (...) {
        // The shared strings come first in the file's reading order, so a
        // fault of theirs is the one to report.
        shared->Finish();
        throw;
    }
    return book;
}

std::unique_ptr<TWorkbookData> ReadXlsxWorkbook(const std::filesystem::path& file)
{
    const TZipArchive archive(file);
    return ReadXlsxWorkbook(archive);
}

} // namespace Excel
