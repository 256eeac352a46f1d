#include "readers/xlsx/TXlsxSharedStrings.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>

#include "readers/TWorkbookFile.h"
#include "readers/TXmlChars.h"
#include "readers/TXmlShortcut.h"
#include "readers/TXmlTokenizer.h"
#include "readers/TZipArchive.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxValues.h"
#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

// Shared strings: rich-text runs are joined, phonetic runs left out.
class TSharedStringsHandler : public TXmlHandler {
public:
    // partBytes: the part's declared size, which bounds what its text can take.
    // published(n) is told the count every PublishEvery strings.
    TSharedStringsHandler(TWorkbookData& book, std::filesystem::path file, std::uint64_t partBytes,
                          std::function<void(std::uint32_t)> published)
        : book_(book), file_(std::move(file)), partBytes_(partBytes), published_(std::move(published))
    {
    }
    static constexpr std::uint32_t PublishEvery = 256;
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
            Add(text_);
        }
    }
    void Characters(std::string_view text) override
    {
        if (collecting_)
            text_.append(text);
    }
    // Takes whole items of one run, <si><t>text</t></si>, whatever the state.
    const char* Shortcut(const char* p, const char* end, const TXmlName& defaultNamespace, std::string_view&) override
    {
        if (!spreadsheet_.Is(defaultNamespace))
            return p;
        for (const char* next; (next = PlainItem(p, end)) || (next = Item(p, end));)
            p = Xml::SkipBlanks(next, end);
        return p;
    }

private:
    // The commonest item, <si><t>text</t></si> with neither references nor
    // escapes in its text, added straight from the input.
    const char* PlainItem(const char* p, const char* end)
    {
        constexpr std::string_view open = "<si><t>", close = "</t></si>";
        if (static_cast<std::size_t>(end - p) < open.size() || std::string_view(p, open.size()) != open)
            return nullptr;
        const char* text = p + open.size();
        const char* q = Xml::PlainTextEnd(text, end);
        if (static_cast<std::size_t>(end - q) < close.size() || std::string_view(q, close.size()) != close)
            return nullptr;
        TakeWhole(std::string_view(text, static_cast<std::size_t>(q - text)));
        return q + close.size();
    }
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
        TakeWhole(text);
        return close;
    }
    // An item taken whole leaves the state its events would leave.
    void TakeWhole(std::string_view text)
    {
        inItem_ = collecting_ = false;
        phonetic_ = 0;
        Add(text);
    }
    // An item's text, its _xHHHH_ escapes still in it.
    void Add(std::string_view text)
    {
        if (count >= MaxStoredCells)
            throw OpenError(file_, u"共有文字列が多すぎます (" +
                                       IntToStr(static_cast<long long>(MaxStoredCells)) + u" 個まで)。");
        if (text.find('_') != std::string_view::npos) {
            if (text.data() != text_.data())
                text_.assign(text);
            DecodeXmlEscapes(text_);
            text = text_;
        }
        book_.AddUtf8String(text);
        if (++count % PublishEvery == 0)
            published_(count);
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
    std::function<void(std::uint32_t)> published_;
    bool reserved_ = false;
    bool inItem_ = false;
    bool collecting_ = false;
    int phonetic_ = 0;
    std::string text_;
    std::string scratch_;  // decoded text of an item taken whole
};

} // namespace

TXlsxSharedStrings::TXlsxSharedStrings(std::uint32_t base, std::uint32_t count) : base_(base)
{
    Publish(count, true);
}

TXlsxSharedStrings::TXlsxSharedStrings(const TZipArchive& archive, std::string part, TWorkbookData& book)
    : base_(static_cast<std::uint32_t>(book.StringCount()))
{
    try {
        thread_ = std::thread([this, &archive, &book, part] { Read(archive, part, book); });
    } catch (const std::system_error&) {
        Read(archive, part, book);  // no thread to be had: read it now
    }
}

TXlsxSharedStrings::~TXlsxSharedStrings()
{
    if (thread_.joinable())
        thread_.join();
}

void TXlsxSharedStrings::Read(const TZipArchive& archive, const std::string& part, TWorkbookData& book)
{
    std::uint32_t count = 0;
    try {
        TSharedStringsHandler handler(book, archive.File(), archive.DeclaredSize(part), [&](std::uint32_t n) {
            count = n;
            Publish(n, false);
        });
        // This thread reads beside the first sheet and ends well before it:
        // a third thread inflating ahead would only take a processor from it.
        ParseXmlEntryFast(archive, part, handler, TInflating::AsParsed);
        count = handler.count;
    } catch (...) {
        error_ = std::current_exception();
    }
    Publish(count, true);
}

// The reading thread stores the count, then looks for a waiter; a waiter
// says it waits, then looks at the count, both under the mutex, so one of
// the two always sees the other.
void TXlsxSharedStrings::Publish(std::uint32_t count, bool done)
{
    count_.store(count);
    if (done)
        done_.store(true);
    if (done || waiting_.load()) {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }
}

bool TXlsxSharedStrings::Has(std::uint32_t index)
{
    if (index < count_.load(std::memory_order_acquire))
        return true;
    std::unique_lock lock(mutex_);
    waiting_.store(true);
    changed_.wait(lock, [&] { return done_.load() || index < count_.load(); });
    return index < count_.load();
}

void TXlsxSharedStrings::Finish()
{
    if (thread_.joinable())
        thread_.join();
    if (error_)
        std::rethrow_exception(error_);
}

} // namespace Excel
