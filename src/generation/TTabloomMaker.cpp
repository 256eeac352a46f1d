#include "generation/TTabloomMaker.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "generation/TPageWriter.h"
#include "template/TExcelNode.h"
#include "template/TTemplateParser.h"
#include "text/Exception.h"
#include "text/TCodePage.h"
#include "text/TConvert.h"
#include "text/TStopSignal.h"
#include "text/TFileUtility.h"
#include "text/TStringUtility.h"
#include "automation/TExcelSingleton.h"
#include "readers/TWorkbookReader.h"

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

// Template text never holds a NUL; one means the file is in another
// character set (typically UTF-16), and reading on would cut the page short.
void RejectNul(const UnicodeString& text, int encoding)
{
    const std::size_t at = text.find(u'\0');
    if (at == UnicodeString::npos)
        return;
    const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), u'\n') + 1;
    const UnicodeString charset = TCodePage::NameOf(encoding);
    throw Exception(u"テンプレートファイルの" + IntToStr(line) + u"行目にNUL文字があります。" +
                    u"テンプレートの文字コード" + (charset.empty() ? u"" : u"（" + charset + u"）") +
                    u"が正しいか確かめてください。UTF-16のファイルはUTF-8で保存し直してください。");
}

// Read as CSV text, an empty file would be an empty workbook and the run
// would quietly make nothing.
void RejectEmptyWorkbook(const UnicodeString& path)
{
    std::error_code ec;
    const fs::path file = ToPath(path);
    if (fs::is_regular_file(file, ec) && fs::file_size(file, ec) == 0 && !ec)
        throw Exception(u"Excelファイル \"" + path + u"\" は空のファイル (0 バイト) です。");
}

// Reading a workbook creates nothing, so a stop signal may end the process
// at once. Converting an .xls does create a folder and a helper process; the
// conversion watches for the signal itself and cleans up on its way out.
bool NothingToCleanUpWhileReading(const UnicodeString& path)
{
    try {
        return Excel::DetectWorkbookKind(ToPath(path)) != Excel::TWorkbookKind::Xls;
    } catch (...) {
        return false;  // the opening itself reports why
    }
}

class TExitAtOnce {
public:
    explicit TExitAtOnce(bool on)
    {
        TStopSignal::ThrowIfReceived();
        TStopSignal::SetExitAtOnce(on);
    }
    ~TExitAtOnce() { TStopSignal::SetExitAtOnce(false); }
    TExitAtOnce(const TExitAtOnce&) = delete;
    TExitAtOnce& operator=(const TExitAtOnce&) = delete;
};

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
    RejectEmptyWorkbook(workbookPath_);
    {
        const TExitAtOnce stoppable(NothingToCleanUpWhileReading(workbookPath_));
        workbook_ = Excel::TExcelSingleton::GetInstance().Workbooks().Open(workbookPath_);
    }
    const RawByteString bytes = TFileUtility::LoadFileBytes(templatePath_);
    const UnicodeString text = TStringUtility::DecodeString(bytes, CodePageOf(templateEncoding_));
    RejectNul(text, templateEncoding_);
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

const UnicodeString& TTabloomMaker::RenderPage()
{
    page_.clear();  // keeps its capacity: pages are rendered into one buffer
    RenderNodesTo(parser_->Nodes(), page_);
    return page_;
}

void TTabloomMaker::SavePage(TPageWriter& writer, UnicodeString pageName, const UnicodeString& text)
{
    if (text.empty())
        return;  // an empty page makes no file
    TStringUtility::EncodePage(text, CodePageOf(outputEncoding_), writer.NextPage());
    writer.Add(std::move(pageName));
    // Reported from this thread, never the writer's, so a window may repaint.
    if (logger_)
        logger_->PagesWritten(pageCount_.load());
}

void TTabloomMaker::StartProgress(TExcelNode& excel)
{
    followed_ = logger_ && logger_->FollowsProgress();
    if (!followed_)
        return;  // counting reads every quit cell once more
    progressTotal_ = excel.CountRecords(excel.Layout() == TExcelNode::LayoutList);
    progressStart_ = excel.RecordsPassed();
    logger_->Progress(0, progressTotal_);
}

void TTabloomMaker::ReportProgress(const TExcelNode& excel)
{
    if (followed_)
        logger_->Progress(excel.RecordsPassed() - progressStart_, progressTotal_);
}

void TTabloomMaker::MakePages(void (TTabloomMaker::*render)(TPageWriter&))
{
    TPageWriter writer(outputFolder_, pageCount_);
    try {
        (this->*render)(writer);
    } catch (...) {
        // Pages rendered before the failure are still written, unless writing
        // one of them fails first: that failure is then the one reported.
        writer.Finish();
        throw;
    }
    writer.Finish();
}

void TTabloomMaker::MakeCardPages()
{
    MakePages(&TTabloomMaker::RenderCardPages);
}

void TTabloomMaker::MakeListPages()
{
    MakePages(&TTabloomMaker::RenderListPages);
}

void TTabloomMaker::RenderCardPages(TPageWriter& writer)
{
    TExcelNode& excel = *parser_->ExcelNode();
    StartProgress(excel);
    while (excel.HasRecord()) {
        TStopSignal::ThrowIfReceived();
        const UnicodeString& text = RenderPage();
        SavePage(writer, excel.GetPageName(), text);
        excel.NextRecord();
        ReportProgress(excel);
    }
}

void TTabloomMaker::RenderListPages(TPageWriter& writer)
{
    TExcelNode& excel = *parser_->ExcelNode();
    StartProgress(excel);
    do {
        while (excel.HasRecord()) {
            TStopSignal::ThrowIfReceived();
            // Named before rendering: the name comes from the page's first record.
            UnicodeString pageName = excel.GetPageName();
            SavePage(writer, std::move(pageName), RenderPage());
            ReportProgress(excel);
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
