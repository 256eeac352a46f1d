#include "generation/TTemplateCheck.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "generation/TPageWalk.h"
#include "generation/TSaveFile.h"
#include "generation/TTabloomMaker.h"
#include "template/TCellNode.h"
#include "template/TExcelNode.h"
#include "template/TLoopNode.h"
#include "template/TTemplateParser.h"
#include "text/Exception.h"
#include "text/TCharsetGuess.h"
#include "text/TCodePage.h"
#include "text/TConvert.h"
#include "text/TFileUtility.h"
#include "text/TStringUtility.h"

namespace fs = std::filesystem;

namespace {

UnicodeString CodePointText(char32_t c)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
    UnicodeString shown;
    AppendUtf16(shown, c);
    return u"「" + shown + u"」(" + Utf8ToUtf16(hex) + u")";
}

// Whether the page's code page holds a character, asked of the encoder once
// per character: what it cannot hold it writes as a character reference.
class TCharsetFit {
public:
    explicit TCharsetFit(unsigned codePage) : codePage_(codePage), known_(0x110000, Unknown) {}

    bool Holds(char32_t c)
    {
        if (c < 0x80)
            return true;
        std::uint8_t& known = known_[c];
        if (known == Unknown) {
            UnicodeString one;
            AppendUtf16(one, c);
            known = TStringUtility::EncodePage(one, codePage_).bytes.starts_with("&#") ? No : Yes;
        }
        return known == Yes;
    }

private:
    enum : std::uint8_t { Unknown, Yes, No };
    unsigned codePage_;
    std::vector<std::uint8_t> known_;
};

// A finding counted over the pages, reported once with its first case.
struct TTally {
    long long count = 0;
    UnicodeString first;

    // `example` makes the text of the first case, and is called for it only.
    template <class Example>
    void Add(Example example)
    {
        if (count++ == 0)
            first = example();
    }
};

// Looks at each page the walk hands over, as the job would write it.
class TPageInspector : public TPageSink {
public:
    TPageInspector(const UnicodeString& outputFolder, int outputEncoding)
        : taken_(FolderEntries(outputFolder)), codePage_(TCodePage::CodePageOf(outputEncoding))
    {
        if (codePage_ != TCodePage::CP_UTF8)
            fit_ = std::make_unique<TCharsetFit>(codePage_);
    }

    void Page(UnicodeString pageName, UnicodeString& text, int record) override
    {
        if (text.empty())
            return;  // an empty page makes no file
        ++pages_;
        if (pageName.empty())
            emptyNames_.Add([&] { return RecordText(record); });
        if (!names_.insert(ToPath(pageName).native()).second)
            repeatedNames_.Add([&] { return u"\"" + pageName + u"\"（" + RecordText(record) + u"）"; });
        else if (taken_.count(ToPath(TSaveFile::PageFileName(pageName, 1)).native()))
            takenNames_.Add([&] { return u"\"" + TSaveFile::PageFileName(pageName, 1) + u"\""; });
        if (fit_)
            CountUnheld(text, record);
    }

    void Report(std::vector<TCheckFinding>& findings, int outputEncoding) const
    {
        const auto add = [&](const TTally& tally, const UnicodeString& what) {
            if (tally.count > 0)
                findings.push_back({what + IntToStr(tally.count) + u"件あります。最初: " + tally.first, {}, false});
        };
        add(emptyNames_, u"ファイル名が空のページ（\".html\"という名前になります）が");
        add(repeatedNames_, u"ファイル名が前のページと同じページ（\"(n)\"の付いた名前になります）が");
        add(takenNames_, u"保存場所に同じ名前のファイルがあるページ（\"(n)\"の付いた名前になります）が");
        if (unheld_.count > 0)
            findings.push_back({u"HTMLファイルの文字コード（" + TCodePage::NameOf(outputEncoding) +
                                    u"）で表せない文字（数値文字参照になります）が" + IntToStr(unheld_.count) +
                                    u"個あります。最初: " + unheld_.first,
                                {}, false});
    }

    long long Pages() const { return pages_; }

private:
    static UnicodeString RecordText(int record)
    {
        const TExcelNode& excel = RequireExcelNode();
        UnicodeString text;
        if (excel.SheetCount() > 1)
            text = u"シート" + IntToStr(excel.CurrentSheetNumber()) + u" ";
        return text + u"レコード" + IntToStr(record);
    }

    // Names in the folder before the run; none when it is not given or not there.
    static std::unordered_set<std::string> FolderEntries(const UnicodeString& folder)
    {
        std::unordered_set<std::string> names;
        std::error_code ec;
        if (folder.empty())
            return names;
        for (fs::directory_iterator it(ToPath(folder), ec), end; !ec && it != end; it.increment(ec))
            names.insert(it->path().filename().native());
        return names;
    }

    void CountUnheld(std::u16string_view text, int record)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t c = text[i];
            if (c < 0x80)
                continue;
            if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                c = CombineSurrogates(text[i], text[i + 1]);
                ++i;
            }
            if (!fit_->Holds(c))
                unheld_.Add([&] { return RecordText(record) + u"の" + CodePointText(c); });
        }
    }

    std::unordered_set<std::string> taken_;
    unsigned codePage_;
    std::unique_ptr<TCharsetFit> fit_;
    long long pages_ = 0;
    std::unordered_set<std::string> names_;
    TTally emptyNames_, repeatedNames_, takenNames_, unheld_;
};

void AddCharsetFinding(const UnicodeString& templatePath, int encoding, std::vector<TCheckFinding>& findings)
{
    const RawByteString bytes = TFileUtility::LoadFileBytes(templatePath);
    const int probable = TCharsetGuess::ProbableCharset(bytes.bytes, encoding);
    if (probable < 0)
        return;
    findings.push_back({u"テンプレートファイルは" + TCodePage::NameOf(encoding) + u"として読みますが、" +
                            TCodePage::NameOf(probable) + u"のファイルのようです。テンプレートの文字コードを確かめてください。",
                        {}, false});
}

void AddCellNodes(const TNodeList& nodes, std::vector<const TCellNode*>& cells)
{
    for (const auto& node : nodes) {
        if (const auto* cell = dynamic_cast<const TCellNode*>(node.get()))
            cells.push_back(cell);
        else if (const auto* loop = dynamic_cast<const TLoopNode*>(node.get()))
            AddCellNodes(loop->Children(), cells);
    }
}

void AddEmptyCellFindings(const TTemplateParser& parser, std::vector<TCheckFinding>& findings)
{
    std::vector<const TCellNode*> cells;
    AddCellNodes(parser.Nodes(), cells);
    for (const TCellNode* cell : cells)
        if (!cell->ShownText())
            findings.push_back({u"cellタグのセルがすべてのレコードで空です。列や行の指定を確かめてください。",
                                cell->Location(), false});
}

UnicodeString SheetsWalked(const TExcelNode& excel)
{
    if (!excel.SheetName().empty())
        return excel.SheetName();
    const std::vector<int>& numbers = excel.SheetNumbers();
    const std::size_t walked = excel.Layout() == TExcelNode::LayoutList ? numbers.size() : 1;
    UnicodeString text;
    for (std::size_t i = 0; i < walked && i < numbers.size(); ++i)
        text += (i ? u", " : u"") + IntToStr(numbers[i]);
    return text;
}

} // namespace

TTemplateCheck::TTemplateCheck(const UnicodeString& templatePath, int templateEncoding,
                               const UnicodeString& workbookPath, const UnicodeString& outputFolder,
                               int outputEncoding)
    : templatePath_(templatePath), templateEncoding_(templateEncoding), workbookPath_(workbookPath),
      outputFolder_(outputFolder), outputEncoding_(outputEncoding)
{
}

void TTemplateCheck::CheckPaths() const
{
    // The job's own check, without creating the output folder.
    TTabloomMaker(templatePath_, templateEncoding_, workbookPath_, u"", 0).CheckInputs();
}

std::vector<TCheckFinding> TTemplateCheck::Run() const
{
    std::vector<TCheckFinding> findings;
    AddCharsetFinding(templatePath_, templateEncoding_, findings);
    TTabloomMaker job(templatePath_, templateEncoding_, workbookPath_, outputFolder_, outputEncoding_);
    TPageInspector inspector(outputFolder_, outputEncoding_);
    try {
        job.Inspect(inspector);
    } catch (const Exception& e) {
        const auto* templateError = dynamic_cast<const ETemplateError*>(&e);
        findings.push_back({e.Message(), templateError ? templateError->Location() : TTemplateLocation(), false});
        return findings;
    }
    if (inspector.Pages() > 0)
        AddEmptyCellFindings(*job.Parser(), findings);
    inspector.Report(findings, outputEncoding_);
    findings.push_back({u"作成されるHTMLファイル: " + IntToStr(inspector.Pages()) + u"件", {}, true});
    findings.push_back({u"読み込むシート: " + SheetsWalked(*job.Parser()->ExcelNode()), {}, true});
    return findings;
}

bool TTemplateCheck::FoundProblems(const std::vector<TCheckFinding>& findings)
{
    for (const TCheckFinding& finding : findings)
        if (!finding.countOnly)
            return true;
    return false;
}

UnicodeString TTemplateCheck::FormatLine(const TCheckFinding& finding, const UnicodeString& templatePath)
{
    UnicodeString line;
    if (finding.location.Known())
        line = templatePath + u":" + IntToStr(finding.location.line) + u":" + IntToStr(finding.location.column) + u": ";
    line += finding.message;
    for (char16_t& c : line)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return line;
}
