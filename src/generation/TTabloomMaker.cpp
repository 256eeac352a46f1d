#include "generation/TTabloomMaker.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <system_error>

#include "generation/TFolderReason.h"
#include "generation/TPageWalk.h"
#include "generation/TPageWriter.h"
#include "template/TExcelNode.h"
#include "template/TTemplateError.h"
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

// Raises with the reason on a line of its own when the folder is not there
// and cannot be made.
void EnsureOutputFolder(const UnicodeString& path)
{
    constexpr char16_t Failed[] = u"HTMLファイルの保存場所フォルダを作成できませんでした。";
    if (path.empty())
        throw Exception(UnicodeString(Failed) + u"\n理由: 保存場所が指定されていない");
    std::error_code ec;
    const fs::path folder = ToPath(path);
    if (fs::is_directory(folder, ec))
        return;
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec))
        return;
    throw Exception(UnicodeString(Failed) + u"\n理由: " + FolderFailureReason(ec ? ec.value() : ENOTDIR));
}

// The readers go by content, so plain text named like a workbook would be
// read as CSV and quietly make no pages. Refused before any folder is made.
// A workbook of another kind than its name says still opens, as in Excel.
void RejectTextNamedAsWorkbook(const UnicodeString& path)
{
    const UnicodeString extension = LowerCase(FromPath(ToPath(path).extension()));
    if (extension != u".xlsx" && extension != u".xlsm" && extension != u".ods" && extension != u".xls")
        return;
    std::error_code ec;
    if (fs::file_size(ToPath(path), ec) == 0 && !ec)
        return;  // an empty file has a message of its own when it is loaded
    try {
        if (Excel::DetectWorkbookKind(ToPath(path)) != Excel::TWorkbookKind::Csv)
            return;
    } catch (const std::exception&) {
        return;  // unreadable or broken: the load reports it as it always did
    }
    throw Exception(u"Excelファイル \"" + path + u"\" は " + extension.substr(1) +
                    u" 形式のブックではありません (中身はテキストです)。");
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

// Hands every page of the walk to the writer, in the page character set.
class TWriterSink : public TPageSink {
public:
    TWriterSink(TPageWriter& writer, unsigned codePage, TTabloomMakerStatus* logger,
                const std::atomic<long long>& written, std::function<void()> advanced)
        : writer_(writer), codePage_(codePage), logger_(logger), written_(written), advanced_(std::move(advanced))
    {
    }

    void Page(UnicodeString name, UnicodeString& text, int /*record*/) override
    {
        if (text.empty())
            return;  // an empty page makes no file
        TStringUtility::EncodePage(text, codePage_, writer_.NextPage());
        writer_.Add(std::move(name));
        // Reported from this thread, never the writer's, so a window may repaint.
        if (logger_)
            logger_->PagesWritten(written_.load());
    }

    void Advanced() override { advanced_(); }

private:
    TPageWriter& writer_;
    unsigned codePage_;
    TTabloomMakerStatus* logger_;
    const std::atomic<long long>& written_;
    std::function<void()> advanced_;
};

// Keeps the page asked for, or the last one when the walk ends before it,
// and learns whether another page follows without rendering it.
class TPreviewSink : public TPageSink {
public:
    explicit TPreviewSink(long long wanted) : wanted_(wanted) {}

    bool WantsPage() override
    {
        if (count_ < wanted_)
            return true;
        more_ = true;
        return false;
    }

    void Page(UnicodeString name, UnicodeString& text, int /*record*/) override
    {
        ++count_;
        name_ = std::move(name);
        text_.swap(text);  // no copy per page on the way to a far page
    }

    TPreviewPage Result(unsigned codePage)
    {
        TPreviewPage page;
        page.Number = count_;
        page.Last = !more_;
        page.Name = std::move(name_);
        page.Text = std::move(text_);
        page.CodePage = codePage;
        if (!page.Text.empty())
            TStringUtility::EncodePage(page.Text, codePage, page.Bytes);
        return page;
    }

private:
    long long wanted_;
    long long count_ = 0;
    bool more_ = false;
    UnicodeString name_;
    UnicodeString text_;
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
    CheckInputs();
    EnsureOutputFolder(outputFolder_);
}

void TTabloomMaker::CheckInputs() const
{
    if (!FileExists(templatePath_))
        throw Exception(u"テンプレートファイルが見つかりません。");
    if (!FileExists(workbookPath_))
        throw Exception(u"Excelファイルが見つかりません。");
    RejectTextNamedAsWorkbook(workbookPath_);
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
        // Any other layout makes no page (and opens no output folder).
        if (excel->Layout() == TExcelNode::LayoutCard || excel->Layout() == TExcelNode::LayoutList)
            MakePages();
        result = true;
    } catch (const Exception& e) {
        if (logger_)
            logger_->Log(MessageWithLocation(e));
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
    return result;
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

void TTabloomMaker::MakePages()
{
    TPageWriter writer(outputFolder_, pageCount_);
    TExcelNode& excel = *parser_->ExcelNode();
    StartProgress(excel);
    TWriterSink sink(writer, CodePageOf(outputEncoding_), logger_.get(), pageCount_,
                     [this, &excel] { ReportProgress(excel); });
    try {
        WalkPages(*parser_, sink);
    } catch (...) {
        // Pages rendered before the failure are still written, unless writing
        // one of them fails first: that failure is then the one reported.
        writer.Finish();
        throw;
    }
    writer.Finish();
}

void TTabloomMaker::Inspect(TPageSink& sink)
{
    struct TFinishing {
        TTabloomMaker& job;
        ~TFinishing() { job.Finish(); }
    } finishing{*this};
    Load();
    if (!parser_->ExcelNode())
        throw Exception(u"Excelタグが見つかりません。");
    WalkPages(*parser_, sink);
}

TPreviewPage TTabloomMaker::Preview(long long number)
{
    struct TFinishing {
        TTabloomMaker& job;
        ~TFinishing() { job.Finish(); }
    } finishing{*this};
    Load();
    const TExcelNode* excel = parser_->ExcelNode();
    if (!excel)
        throw Exception(u"Excelタグが見つかりません。");
    TPreviewSink sink(number);
    WalkPages(*parser_, sink);
    TPreviewPage page = sink.Result(CodePageOf(outputEncoding_));
    page.List = excel->Layout() == TExcelNode::LayoutList;
    return page;
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
