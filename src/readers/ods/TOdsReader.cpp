#include "readers/ods/TOdsReader.h"

#include <string_view>

#include "text/TConvert.h"
#include "readers/ods/TOdsContent.h"
#include "readers/ods/TOdsNames.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "readers/TXmlReader.h"
#include "readers/TXmlTokenizer.h"
#include "readers/TZipArchive.h"

namespace Excel {

namespace {

// Notes whether the manifest marks content.xml as encrypted.
class TManifestHandler : public TXmlHandler {
public:
    bool ContentEncrypted() const { return encrypted_; }

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override
    {
        if (name.Is(Ods::ManifestNs, "file-entry")) {
            const char* path = attributes.Find(Ods::ManifestNs, "full-path");
            inContent_ = path && (std::string_view(path) == "content.xml" || std::string_view(path) == "/content.xml");
        } else if (name.Is(Ods::ManifestNs, "encryption-data") && inContent_) {
            encrypted_ = true;
        }
    }
    void EndElement(const TXmlName& name) override
    {
        if (name.Is(Ods::ManifestNs, "file-entry"))
            inContent_ = false;
    }

private:
    bool inContent_ = false;
    bool encrypted_ = false;
};

void CheckPackage(const TZipArchive& zip, const std::filesystem::path& file)
{
    if (zip.Contains("mimetype")) {
        const UnicodeString type = Trim(Utf8ToUtf16(zip.Read("mimetype")));
        if (type != u"application/vnd.oasis.opendocument.spreadsheet" &&
            type != u"application/vnd.oasis.opendocument.spreadsheet-template")
            throw OpenError(file, u"OpenDocument スプレッドシートではありません。");
    }
    if (zip.Contains("META-INF/manifest.xml")) {
        TManifestHandler manifest;
        ParseXmlEntry(zip, "META-INF/manifest.xml", manifest);
        if (manifest.ContentEncrypted())
            throw OpenError(file, u"パスワードで保護されたブックは開けません。");
    }
    if (!zip.Contains("content.xml"))
        throw OpenError(file, u"content.xml がありません。");
}

} // namespace

std::unique_ptr<TWorkbookData> ReadOdsWorkbook(const std::filesystem::path& file)
{
    CheckRegularFile(file);
    TZipArchive zip(file);
    CheckPackage(zip, file);
    auto book = std::make_unique<TWorkbookData>();
    // The content is inflated on a second thread while this one reads it.
    TOdsContentHandler content(*book, file);
    TXmlTokenizer tokenizer(content, file, "content.xml");
    content.ReadBy(&tokenizer);
    zip.StreamAhead("content.xml", [&](std::string_view piece) { tokenizer.Parse(piece, false); });
    tokenizer.Parse({}, true);
    if (!content.SawSpreadsheet())
        throw OpenError(file, u"OpenDocument スプレッドシートではありません。");
    if (book->sheets.empty())
        throw OpenError(file, u"シートがありません。");
    return book;
}

} // namespace Excel
