#include "generation/TTabloomMaker.h"

#include <filesystem>
#include <system_error>

#include "generation/TSaveFile.h"
#include "template/TExcelNode.h"
#include "template/TTemplateParser.h"
#include "text/Exception.h"
#include "text/TCodePage.h"
#include "text/TFileUtility.h"
#include "text/TStringUtility.h"
#include "automation/TExcelSingleton.h"

namespace fs = std::filesystem;

namespace {

// A file of that name exists (following links); a folder does not count.
bool FileExists(const UnicodeString& path)
{
    std::error_code ec;
    const auto status = fs::status(ToPath(path), ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool FolderExistsOrCreated(const UnicodeString& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    const fs::path folder = ToPath(path);
    if (fs::is_directory(folder, ec))
        return true;
    fs::create_directories(folder, ec);
    return !ec && fs::is_directory(folder, ec);
}

} // namespace

TTabloomMaker::TTabloomMaker(const UnicodeString& templatePath, int templateEncoding,
                             const UnicodeString& workbookPath, const UnicodeString& outputFolder,
                             int outputEncoding)
    : templatePath_(templatePath), templateEncoding_(templateEncoding), workbookPath_(workbookPath),
      outputFolder_(outputFolder), outputEncoding_(outputEncoding)
{
}

TTabloomMaker::~TTabloomMaker() = default;

void TTabloomMaker::CheckPaths() const
{
    if (!FileExists(templatePath_))
        throw Exception(u"テンプレートファイルが見つかりません。");
    if (!FileExists(workbookPath_))
        throw Exception(u"Excelファイルが見つかりません。");
    if (!FolderExistsOrCreated(outputFolder_))
        throw Exception(u"HTMLファイルの保存場所フォルダを作成できませんでした。");
}

void TTabloomMaker::Assign(const TTabloomMaker& other)
{
    templatePath_ = other.templatePath_;
    templateEncoding_ = other.templateEncoding_;
    workbookPath_ = other.workbookPath_;
    outputFolder_ = other.outputFolder_;
    outputEncoding_ = other.outputEncoding_;
    workbook_ = other.workbook_;
}

void TTabloomMaker::SetLogger(TTabloomMakerStatus* status)
{
    logger_.reset(status);
}

void TTabloomMaker::SetLogger(std::unique_ptr<TTabloomMakerStatus> status)
{
    logger_ = std::move(status);
}

unsigned TTabloomMaker::CodePageOf(int index)
{
    return TCodePage::CodePageOf(index);
}

void TTabloomMaker::Load()
{
    workbook_ = Excel::TExcelSingleton::GetInstance().Workbooks().Open(workbookPath_);
    const RawByteString bytes = TFileUtility::LoadFileBytes(templatePath_);
    const UnicodeString text = TStringUtility::DecodeString(bytes, CodePageOf(templateEncoding_));
    parser_ = std::make_unique<TTemplateParser>(text);
    parser_->Parse();
    parser_->Validate();
}

bool TTabloomMaker::Run()
{
    bool result = false;
    try {
        const TExcelNode* excel = parser_ ? parser_->ExcelNode() : nullptr;
        if (!excel)
            throw Exception(u"Excelタグが見つかりません。");
        if (excel->Layout() == TExcelNode::LayoutCard)
            MakeCardPages();
        else if (excel->Layout() == TExcelNode::LayoutList)
            MakeListPages();
        result = true;
    } catch (const Exception& e) {
        if (logger_)
            logger_->Log(e.Message());
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
    return result;
}

UnicodeString TTabloomMaker::RenderPage() const
{
    return RenderNodes(parser_->Nodes());
}

void TTabloomMaker::SavePage(const UnicodeString& pageName, const UnicodeString& text) const
{
    const UnicodeString path = TSaveFile::MakeUniqueFileName(outputFolder_, pageName);
    TSaveFile::SaveTextFile(path, text, CodePageOf(outputEncoding_));
    if (logger_)
        logger_->PageSaved();
}

void TTabloomMaker::MakeCardPages()
{
    TExcelNode& excel = *parser_->ExcelNode();
    while (excel.HasRecord()) {
        const UnicodeString text = RenderPage();
        SavePage(excel.GetPageName(), text);
        excel.NextRecord();
    }
}

void TTabloomMaker::MakeListPages()
{
    TExcelNode& excel = *parser_->ExcelNode();
    do {
        while (excel.HasRecord()) {
            // Named before rendering: the name comes from the page's first record.
            const UnicodeString pageName = excel.GetPageName();
            const UnicodeString path = TSaveFile::MakeUniqueFileName(outputFolder_, pageName);
            const UnicodeString text = RenderPage();
            TSaveFile::SaveTextFile(path, text, CodePageOf(outputEncoding_));
        }
        ResetNodes(parser_->Nodes());
    } while (excel.NextSheet());
}

void TTabloomMaker::Finish() noexcept
{
    try {
        if (!workbook_.IsNull()) {
            workbook_.Close();
            workbook_ = Excel::TWorkbook();
        }
    } catch (...) {
    }
    try {
        Excel::TExcelSingleton::Release();
    } catch (...) {
    }
}
