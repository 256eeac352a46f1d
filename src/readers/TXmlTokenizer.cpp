#include "readers/TXmlTokenizer.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <optional>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TXmlChars.h"
#include "readers/TZipArchive.h"

namespace Excel {

using namespace Xml;

TXmlTokenizer::TXmlTokenizer(TXmlHandler& handler, std::filesystem::path file, std::string part)
    : handler_(handler), file_(std::move(file)), part_(std::move(part))
{
    bindings_.push_back(Bind("xml", XmlNamespace));
}

TXmlTokenizer::TBinding TXmlTokenizer::Bind(std::string_view prefix, std::string_view uri)
{
    // Ids are unique across parses too, as a handler may outlive one.
    static std::atomic<std::uint64_t> next{1};
    return {std::string(prefix), std::string(uri), next++};
}

TXmlTokenizer::~TXmlTokenizer() = default;

void TXmlTokenizer::Refuse(std::u16string_view why) const
{
    throw OpenError(file_, Utf8ToUtf16(part_) + std::u16string(why));
}

// Characters in [p, end) as expat counts columns: UTF-8 sequences.
std::uint64_t TXmlTokenizer::Characters(const char* p, const char* end)
{
    // Every byte but continuation bytes (10xxxxxx).
    std::uint64_t n = static_cast<std::uint64_t>(end - p);
#ifdef __SSE2__
    // Sixteen bytes at a time: a continuation byte adds one to its lane, and
    // the lanes are summed every 255 blocks, before any can wrap.
    const __m128i mask = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i continuation = _mm_set1_epi8(static_cast<char>(0x80));
    while (end - p >= 16) {
        const auto blocks = std::min<std::ptrdiff_t>((end - p) / 16, 255);
        __m128i lanes = _mm_setzero_si128();
        for (std::ptrdiff_t i = 0; i < blocks; ++i, p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(_mm_and_si128(bytes, mask), continuation));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        n -= static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    // Eight bytes at a time.
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        // One bit per continuation byte, summed by a multiplication (the
        // build targets no popcount instruction).
        const std::uint64_t marks = (word & ~(word << 1) & 0x8080808080808080u) >> 7;
        n -= (marks * 0x0101010101010101u) >> 56;
    }
    for (; p < end; ++p)
        n -= (static_cast<unsigned char>(*p) & 0xC0) == 0x80;
    return n;
}

void TXmlTokenizer::Fail(int expatError, const char* at) const
{
    // Line and column as expat counts them: from 1, columns in characters.
    std::uint64_t line = line_;
    const char* lineStart = nullptr;
    for (const char* p = base_; p < at; ++p)
        if (*p == '\n')
            ++line, lineStart = p + 1;
    const std::uint64_t column = lineStart ? Characters(lineStart, at) : column_ + Characters(base_, at);
    UnicodeString reason = Utf8ToUtf16(part_);
    reason += u" の ";
    reason += IntToStr(static_cast<long long>(line));
    reason += u" 行 ";
    reason += IntToStr(static_cast<long long>(column) + 1);
    reason += u" 桁目で XML を解析できません (";
    reason += Utf8ToUtf16(XML_ErrorString(static_cast<XML_Error>(expatError)));
    reason += u")。";
    throw OpenError(file_, reason);
}

void TXmlTokenizer::Parse(std::string_view data, bool last)
{
    if (expat_) {
        expat_->Parse(data, last);
        return;
    }
    if (!started_) {
        held_.append(data);
        data = {};
        if (!Start(last))
            return;
    }
    if (!held_.empty() && !data.empty() && need_ <= held_.size() + data.size()) {
        // Finish the held token with the head of the new input alone, then
        // go on in the new input itself rather than copying all of it.
        const std::size_t head = std::min(data.size(), std::max<std::size_t>(need_, 4096));
        const bool all = head == data.size();
        held_.append(data.substr(0, head));
        const auto used = Scan(held_.data(), held_.data() + held_.size(), last && all);
        Consumed(held_.data(), used);
        held_.erase(0, used);
        if (!all && held_.size() <= head) {
            data.remove_prefix(head - held_.size());
            held_.clear();
        } else {
            data.remove_prefix(head);
        }
        if (data.empty()) {
            HoldBack();
            return;
        }
    }
    if (held_.empty() && !data.empty()) {
        const auto used = Scan(data.data(), data.data() + data.size(), last);
        Consumed(data.data(), used);
        held_.assign(data.substr(used));
    } else {
        held_.append(data);
        if (!last && held_.size() < need_)
            return;
        const auto used = Scan(held_.data(), held_.data() + held_.size(), last);
        Consumed(held_.data(), used);
        held_.erase(0, used);
    }
    HoldBack();
}

void TXmlTokenizer::HoldBack()
{
    // What is left is one unfinished token: scan it again only once the
    // input held has doubled, so it is rescanned a logarithmic number of times.
    need_ = held_.size() * 2;
    if (held_.size() > MaxTokenBytes)
        Refuse(u" に " + IntToStr(MaxTokenBytes >> 20) +
               u" MiB を超える XML の字句 (コメント、属性など) があります。");
}

bool TXmlTokenizer::Start(bool last)
{
    const std::string_view all = held_;
    std::size_t skip = all.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    const auto rest = all.substr(skip);
    if (rest.size() < 6 && !last)
        return false;
    const bool wide = (all.size() >= 2 && ((all[0] == '\xFE' && all[1] == '\xFF') ||
                                           (all[0] == '\xFF' && all[1] == '\xFE'))) ||
                      (!rest.empty() && rest[0] == '\0') || (rest.size() >= 2 && rest[1] == '\0');
    if (wide) {
        SwitchToExpat(last);
        return false;
    }
    if (rest.substr(0, 5) == "<?xml" && rest.size() > 5 && IsBlank(rest[5])) {
        const auto close = rest.find("?>");
        if (close == std::string_view::npos && !last && rest.size() < 4096)
            return false;
        if (close == std::string_view::npos || !IsPlainUtf8Declaration(rest.substr(0, close))) {
            SwitchToExpat(last);
            return false;
        }
        skip += close + 2;
    }
    started_ = true;
    base_ = held_.data();
    Consumed(held_.data(), skip);
    held_.erase(0, skip);
    return true;
}

void TXmlTokenizer::SwitchToExpat(bool last)
{
    expat_ = std::make_unique<TXmlReader>(handler_, file_, part_);
    std::string all;
    all.swap(held_);
    expat_->Parse(all, last);
}

void TXmlTokenizer::Consumed(const char* p, std::size_t n)
{
    const char* lineStart = p;
    for (const char* nl = p; (nl = static_cast<const char*>(std::memchr(nl, '\n', p + n - nl)));) {
        ++line_;
        column_ = 0;
        lineStart = ++nl;
    }
    column_ += Characters(lineStart, p + n);
    offset_ += n;
}

std::size_t TXmlTokenizer::Scan(const char* begin, const char* end, bool last)
{
    base_ = begin;
    scanned_ += static_cast<std::uint64_t>(end - begin);
    const char* p = begin;
    while (p < end) {
        const char* next = Token(p, end, last);
        if (!next)
            break;
        p = next;
    }
    if (last && (!rootSeen_ || !open_.empty()))
        Fail(XML_ERROR_NO_ELEMENTS, end);
    return static_cast<std::size_t>(p - begin);
}

const char* TXmlTokenizer::Token(const char* p, const char* end, bool last)
{
    if (*p != '<')
        return Text(p, end, last);
    if (!open_.empty() && end - p > 1 && StartsName(p[1])) {
        const auto binding = Resolve({}, p);
        TXmlName space;
        if (binding >= 0)
            space = {bindings_[static_cast<std::size_t>(binding)].uri, {}, bindings_[static_cast<std::size_t>(binding)].space};
        std::string_view opened;
        if (const char* taken = handler_.Shortcut(p, end, space, opened); taken != p) {
            if (!opened.empty())
                OpenPlain(opened, p);
            return taken;
        }
    }
    const char* next = Markup(p, end);
    if (!next && last)
        Fail(std::string_view(p, static_cast<std::size_t>(end - p)).substr(0, 9) == "<![CDATA["
                 ? XML_ERROR_UNCLOSED_CDATA_SECTION
                 : XML_ERROR_UNCLOSED_TOKEN,
             p);
    return next;
}

const char* TXmlTokenizer::Text(const char* p, const char* end, bool last)
{
    if (open_.empty()) {
        // Outside the root element only blanks may stand.
        const char* q = SkipBlanks(p, end);
        if (q < end && *q != '<')
            Fail(rootSeen_ ? XML_ERROR_JUNK_AFTER_DOC_ELEMENT : XML_ERROR_INVALID_TOKEN, q);
        return q;
    }
    const char* q = PlainTextEnd(p, end);
    if (q < end && *q == '<') {
        handler_.Characters(std::string_view(p, static_cast<std::size_t>(q - p)));
        return q;
    }
    if (q == end) {
        if (last)
            Fail(XML_ERROR_NO_ELEMENTS, end);
        return nullptr;
    }
    text_.assign(p, q);
    q = Decode(q, end, '<', text_);
    if (!q) {
        if (last)
            Fail(XML_ERROR_NO_ELEMENTS, end);
        return nullptr;
    }
    handler_.Characters(text_);
    return q;
}

// Decodes text or an attribute value up to `stop` ('<', or the quote that
// closes the value) into out. nullptr when the input ends first.
const char* TXmlTokenizer::Decode(const char* p, const char* end, char stop, std::string& out)
{
    const bool value = stop != '<';
    const Table& plain = value ? ValuePlain : TextPlain;
    for (;;) {
        const char* run = p;
        while (p < end && plain[static_cast<unsigned char>(*p)])
            ++p;
        out.append(run, static_cast<std::size_t>(p - run));
        if (p == end)
            return nullptr;
        const char c = *p;
        if (c == stop)
            return p;
        if (static_cast<unsigned char>(c) >= 0x80) {
            const int n = Utf8Length(p, end);
            if (n < 0)
                return nullptr;
            if (n == 0)
                Fail(XML_ERROR_INVALID_TOKEN, p);
            out.append(p, static_cast<std::size_t>(n));
            p += n;
            continue;
        }
        switch (c) {
        case '&':
            p = Reference(p, end, out);
            if (!p)
                return nullptr;
            continue;
        case '\r':
            // Line ends become one newline, in values one space.
            out += value ? ' ' : '\n';
            if (++p == end)
                return nullptr;
            if (*p == '\n')
                ++p;
            continue;
        case '\t':
        case '\n':
            out += ' ';
            ++p;
            continue;
        case '"':
        case '\'':
            out += c;
            ++p;
            continue;
        case ']':
            if (p + 1 == end || (p[1] == ']' && p + 2 == end))
                return nullptr;
            if (p[1] == ']' && p[2] == '>')
                Fail(XML_ERROR_INVALID_TOKEN, p);
            out += ']';
            ++p;
            continue;
        default:
            Fail(XML_ERROR_INVALID_TOKEN, p);  // '<' in a value, or a control character
        }
    }
}

const char* TXmlTokenizer::Reference(const char* p, const char* end, std::string& out)
{
    const char* q = p + 1;
    if (q == end)
        return nullptr;
    if (*q == '#') {
        std::uint32_t v = 0;
        std::size_t digits = 0;
        q = ScanCharReference(q + 1, end, v, digits);
        if (q == end)
            return nullptr;
        if (digits == 0 || *q != ';')
            Fail(XML_ERROR_INVALID_TOKEN, p);
        if (!IsXmlChar(v))
            Fail(XML_ERROR_BAD_CHAR_REF, p);
        AppendUtf8(v, out);
        return q + 1;
    }
    const char* name = q;
    q = NameEnd(q, end);
    if (q == end)
        return nullptr;
    if (q == name || *q != ';')
        Fail(XML_ERROR_INVALID_TOKEN, p);
    const std::string_view entity(name, static_cast<std::size_t>(q - name));
    const char c = PredefinedEntity(entity);
    if (!c)
        Fail(XML_ERROR_UNDEFINED_ENTITY, p);
    out += c;
    return q + 1;
}

const char* TXmlTokenizer::Markup(const char* p, const char* end)
{
    if (end - p < 2)
        return nullptr;
    if (p[1] == '/')
        return EndTag(p, end);
    if (p[1] == '?')
        return Instruction(p, end);
    if (p[1] != '!') {
        if (rootSeen_ && open_.empty())
            Fail(XML_ERROR_JUNK_AFTER_DOC_ELEMENT, p);
        return StartTag(p, end);
    }
    const std::string_view rest(p, static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - p, 9)));
    const auto startsAs = [&](std::string_view opening) {
        return rest.substr(0, opening.size()) == opening.substr(0, rest.size());
    };
    if (startsAs("<!--"))
        return rest.size() < 4 ? nullptr : Comment(p, end);
    if (startsAs("<![CDATA["))
        return rest.size() < 9 ? nullptr : CData(p, end);
    if (startsAs("<!DOCTYPE")) {
        if (rest.size() < 9)
            return nullptr;
        if (!rootSeen_)
            Refuse(u" に DTD (DOCTYPE) が含まれています。");
    }
    Fail(XML_ERROR_INVALID_TOKEN, p);
}

void TXmlTokenizer::CheckChars(const char* p, const char* end)
{
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {
            if (Utf8Length(p, end) <= 0)
                Fail(XML_ERROR_INVALID_TOKEN, p);
            p += Utf8Length(p, end);
        } else {
            if (c < 0x20 && !IsBlank(static_cast<char>(c)))
                Fail(XML_ERROR_INVALID_TOKEN, p);
            ++p;
        }
    }
}

const char* TXmlTokenizer::Comment(const char* p, const char* end)
{
    const std::string_view body(p + 4, static_cast<std::size_t>(end - p - 4));
    const auto dashes = body.find("--");
    if (dashes == std::string_view::npos || dashes + 2 == body.size())
        return nullptr;
    const char* close = body.data() + dashes;
    if (close[2] != '>')
        Fail(XML_ERROR_INVALID_TOKEN, close);  // "--" inside a comment
    CheckChars(body.data(), close);
    return close + 3;
}

const char* TXmlTokenizer::Instruction(const char* p, const char* end)
{
    const char* target = p + 2;
    const char* q = NameEnd(target, end);
    if (q == end)
        return nullptr;
    // With namespaces a target is a name without a prefix.
    if (q == target || !StartsName(*target) || std::find(target, q, ':') != q)
        Fail(XML_ERROR_INVALID_TOKEN, p);
    if (EqualsNoCase(std::string_view(target, static_cast<std::size_t>(q - target)), "xml"))
        Fail(XML_ERROR_MISPLACED_XML_PI, p);
    const auto close = std::string_view(q, static_cast<std::size_t>(end - q)).find("?>");
    if (close == std::string_view::npos)
        return nullptr;
    if (close != 0 && !IsBlank(*q))
        Fail(XML_ERROR_INVALID_TOKEN, q);
    CheckChars(q, q + close);
    return q + close + 2;
}

const char* TXmlTokenizer::CData(const char* p, const char* end)
{
    if (open_.empty())
        Fail(XML_ERROR_INVALID_TOKEN, p);
    const char* body = p + 9;
    const auto close = std::string_view(body, static_cast<std::size_t>(end - body)).find("]]>");
    if (close == std::string_view::npos)
        return nullptr;
    const std::string_view content(body, close);
    CheckChars(content.data(), content.data() + content.size());
    if (content.find('\r') == std::string_view::npos) {
        if (!content.empty())
            handler_.Characters(content);
    } else {
        text_.clear();
        for (std::size_t i = 0; i < content.size(); ++i) {
            if (content[i] != '\r')
                text_ += content[i];
            else if (i + 1 == content.size() || content[i + 1] != '\n')
                text_ += '\n';
        }
        handler_.Characters(text_);
    }
    return body + close + 3;
}

void ParseXmlEntryFast(const TZipArchive& archive, std::string_view part, TXmlHandler& handler,
                       TInflating inflating)
{
    TXmlTokenizer tokenizer(handler, archive.File(), std::string(part));
    const auto parse = [&](std::string_view piece) { tokenizer.Parse(piece, false); };
    if (inflating == TInflating::Ahead)
        archive.StreamAhead(part, parse);
    else
        archive.Stream(part, parse);
    tokenizer.Parse({}, true);
}

void ParseXmlFast(std::string_view document, const std::filesystem::path& file, std::string part,
                  TXmlHandler& handler)
{
    TXmlTokenizer tokenizer(handler, file, std::move(part));
    tokenizer.Parse(document, true);
}

} // namespace Excel
