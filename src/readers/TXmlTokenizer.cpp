#include "readers/TXmlTokenizer.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TXmlChars.h"
#include "readers/TZipArchive.h"

namespace Excel {

using namespace Xml;

namespace {

constexpr std::string_view XmlNamespace = "http://www.w3.org/XML/1998/namespace";

} // namespace

TXmlTokenizer::TXmlTokenizer(TXmlHandler& handler, std::filesystem::path file, std::string part)
    : handler_(handler), file_(std::move(file)), part_(std::move(part))
{
    bindings_.push_back({"xml", std::string(XmlNamespace)});
}

TXmlTokenizer::~TXmlTokenizer() = default;

void TXmlTokenizer::Refuse(std::u16string_view why) const
{
    throw OpenError(file_, Utf8ToUtf16(part_) + std::u16string(why));
}

void TXmlTokenizer::Fail(int expatError, const char* at) const
{
    // Line and column as expat counts them: from 1, columns in characters.
    std::uint64_t line = line_;
    const char* lineStart = nullptr;
    for (const char* p = base_; p < at; ++p)
        if (*p == '\n')
            ++line, lineStart = p + 1;
    std::uint64_t column = 0;
    if (lineStart) {
        for (const char* p = lineStart; p < at; ++p)
            column += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    } else {
        column = offset_ + static_cast<std::uint64_t>(at - base_) - lineStart_;
    }
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
    for (const char* nl = p; (nl = static_cast<const char*>(std::memchr(nl, '\n', p + n - nl)));) {
        ++line_;
        lineStart_ = offset_ + static_cast<std::uint64_t>(nl - p) + 1;
        ++nl;
    }
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
        if (++q == end)
            return nullptr;
        const bool hex = *q == 'x';
        if (hex && ++q == end)
            return nullptr;
        const char* digits = q;
        std::uint32_t v = 0;
        for (; q < end; ++q) {
            int d = -1;
            if (*q >= '0' && *q <= '9')
                d = *q - '0';
            else if (hex && *q >= 'a' && *q <= 'f')
                d = *q - 'a' + 10;
            else if (hex && *q >= 'A' && *q <= 'F')
                d = *q - 'A' + 10;
            if (d < 0)
                break;
            v = std::min<std::uint32_t>(v * (hex ? 16 : 10) + static_cast<std::uint32_t>(d), 0x110000);
        }
        if (q == end)
            return nullptr;
        if (q == digits || *q != ';')
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
    if (entity == "amp")
        out += '&';
    else if (entity == "lt")
        out += '<';
    else if (entity == "gt")
        out += '>';
    else if (entity == "quot")
        out += '"';
    else if (entity == "apos")
        out += '\'';
    else
        Fail(XML_ERROR_UNDEFINED_ENTITY, p);
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
    if (q == target || !StartsName(*target))
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

std::ptrdiff_t TXmlTokenizer::Resolve(std::string_view prefix, const char* at)
{
    // Most names are unprefixed: remember the default namespace.
    if (prefix.empty() && defaultKnown_)
        return default_;
    for (auto i = static_cast<std::ptrdiff_t>(bindings_.size()) - 1; i >= 0; --i)
        if (bindings_[static_cast<std::size_t>(i)].prefix == prefix) {
            const auto found = bindings_[static_cast<std::size_t>(i)].uri.empty() ? -1 : i;
            if (prefix.empty())
                default_ = found, defaultKnown_ = true;
            return found;
        }
    if (!prefix.empty())
        Fail(XML_ERROR_UNBOUND_PREFIX, at);
    default_ = -1;
    defaultKnown_ = true;
    return -1;
}

TXmlName TXmlTokenizer::NameOf(const TOpen& open) const
{
    const std::size_t skip = open.prefixLength ? open.prefixLength + 1 : 0;
    return {open.binding < 0 ? std::string_view() : std::string_view(bindings_[static_cast<std::size_t>(open.binding)].uri),
            std::string_view(names_).substr(open.nameAt + skip, open.nameLength - skip)};
}


const char* TXmlTokenizer::StartTag(const char* p, const char* end)
{
    const char* q = NameEnd(p + 1, end);
    if (q == end)
        return nullptr;
    if (q == p + 1 || !StartsName(p[1]))
        Fail(XML_ERROR_INVALID_TOKEN, p);
    const std::string_view qname(p + 1, static_cast<std::size_t>(q - p - 1));
    raw_.clear();
    values_.clear();
    bool empty = false;
    for (;;) {
        const char* blank = q;
        q = SkipBlanks(q, end);
        if (q == end)
            return nullptr;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 == end)
                return nullptr;
            if (q[1] != '>')
                Fail(XML_ERROR_INVALID_TOKEN, q);
            q += 2;
            empty = true;
            break;
        }
        if (q == blank || !StartsName(*q))
            Fail(XML_ERROR_INVALID_TOKEN, q);
        const char* name = q;
        q = NameEnd(q, end);
        if (q == end)
            return nullptr;
        const std::string_view attribute(name, static_cast<std::size_t>(q - name));
        q = SkipBlanks(q, end);
        if (q == end)
            return nullptr;
        if (*q != '=')
            Fail(XML_ERROR_INVALID_TOKEN, q);
        q = SkipBlanks(q + 1, end);
        if (q == end)
            return nullptr;
        if (*q != '"' && *q != '\'')
            Fail(XML_ERROR_INVALID_TOKEN, q);
        const std::size_t at = values_.size();
        q = Decode(q + 1, end, *q, values_);
        if (!q)
            return nullptr;
        ++q;
        raw_.push_back({attribute, at, values_.size() - at});
        values_ += '\0';
    }
    OpenElement(qname, p);
    if (empty) {
        handler_.EndElement(NameOf(open_.back()));
        Close();
    }
    return q;
}

void TXmlTokenizer::OpenElement(std::string_view qname, const char* at)
{
    const std::size_t bindingsBefore = bindings_.size();
    const auto value = [&](const TRawAttribute& a) {
        return std::string_view(values_).substr(a.valueAt, a.valueLength);
    };
    const auto declares = [](std::string_view name) {
        return name.size() >= 5 && name[0] == 'x' && name.substr(0, 5) == "xmlns" &&
               (name.size() == 5 || name[5] == ':');
    };
    bool anyDeclaration = false;
    for (const auto& a : raw_)
        anyDeclaration = anyDeclaration || declares(a.qname);
    for (const auto& a : raw_) {
        if (!anyDeclaration)
            break;
        if (a.qname == "xmlns") {
            bindings_.push_back({std::string(), std::string(value(a))});
            defaultKnown_ = false;
        } else if (a.qname.substr(0, 6) == "xmlns:") {
            const auto prefix = a.qname.substr(6);
            if (prefix.empty() || prefix.find(':') != std::string_view::npos)
                Fail(XML_ERROR_INVALID_TOKEN, at);
            if (value(a).empty())
                Fail(XML_ERROR_UNDECLARING_PREFIX, at);
            if (prefix == "xmlns")
                Fail(XML_ERROR_RESERVED_PREFIX_XMLNS, at);
            if ((prefix == "xml") != (value(a) == XmlNamespace))
                Fail(prefix == "xml" ? XML_ERROR_RESERVED_PREFIX_XML : XML_ERROR_RESERVED_NAMESPACE_URI, at);
            bindings_.push_back({std::string(prefix), std::string(value(a))});
        }
    }
    const auto prefix = PrefixOf(qname);
    if (!prefix)
        Fail(XML_ERROR_INVALID_TOKEN, at);
    open_.push_back({names_.size(), qname.size(), prefix->size(), Resolve(*prefix, at), bindingsBefore});
    names_.append(qname);
    rootSeen_ = true;

    attributes_.clear();
    for (const auto& a : raw_) {
        if (anyDeclaration && declares(a.qname))
            continue;
        const auto attributePrefix = PrefixOf(a.qname);
        if (!attributePrefix)
            Fail(XML_ERROR_INVALID_TOKEN, at);
        TXmlName name{{}, a.qname};
        if (!attributePrefix->empty()) {
            const auto binding = Resolve(*attributePrefix, at);
            name = {binding < 0 ? std::string_view() : std::string_view(bindings_[static_cast<std::size_t>(binding)].uri),
                    a.qname.substr(attributePrefix->size() + 1)};
        }
        attributes_.push_back({name, value(a)});
    }
    // Two attributes of one name, written alike or through prefixes of one
    // namespace, make the document malformed.
    const auto duplicate = [&] {
        if (raw_.size() <= 16) {
            // Looking at the first byte first spares most comparisons.
            const auto same = [](std::string_view a, std::string_view b) {
                return a.size() == b.size() && !a.empty() && a[0] == b[0] && a == b;
            };
            for (std::size_t i = 0; i < raw_.size(); ++i)
                for (std::size_t j = i + 1; j < raw_.size(); ++j)
                    if (same(raw_[i].qname, raw_[j].qname))
                        return true;
            for (std::size_t i = 0; i < attributes_.size(); ++i)
                for (std::size_t j = i + 1; j < attributes_.size(); ++j)
                    if (same(attributes_[i].name.local, attributes_[j].name.local) &&
                        attributes_[i].name.uri == attributes_[j].name.uri)
                        return true;
            return false;
        }
        std::vector<std::string_view> qnames;
        for (const auto& a : raw_)
            qnames.push_back(a.qname);
        std::sort(qnames.begin(), qnames.end());
        if (std::adjacent_find(qnames.begin(), qnames.end()) != qnames.end())
            return true;
        std::vector<std::pair<std::string_view, std::string_view>> names;
        for (const auto& a : attributes_)
            names.emplace_back(a.name.uri, a.name.local);
        std::sort(names.begin(), names.end());
        return std::adjacent_find(names.begin(), names.end()) != names.end();
    };
    if (duplicate())
        Fail(XML_ERROR_DUPLICATE_ATTRIBUTE, at);
    handler_.StartElement(NameOf(open_.back()), TXmlAttributes(attributes_.data(), attributes_.size()));
}

const char* TXmlTokenizer::EndTag(const char* p, const char* end)
{
    if (open_.empty())
        Fail(XML_ERROR_INVALID_TOKEN, p);
    // Usually the tag closes the element open: compare its name directly.
    const TOpen& top = open_.back();
    const char* name = p + 2;
    if (static_cast<std::size_t>(end - name) > top.nameLength &&
        std::memcmp(name, names_.data() + top.nameAt, top.nameLength) == 0 && name[top.nameLength] == '>') {
        handler_.EndElement(NameOf(top));
        Close();
        return name + top.nameLength + 1;
    }
    const char* q = NameEnd(p + 2, end);
    if (q == end)
        return nullptr;
    const std::string_view qname(p + 2, static_cast<std::size_t>(q - p - 2));
    q = SkipBlanks(q, end);
    if (q == end)
        return nullptr;
    if (*q != '>' || qname.empty())
        Fail(XML_ERROR_INVALID_TOKEN, q);
    if (open_.empty())
        Fail(XML_ERROR_INVALID_TOKEN, p);
    const TOpen& open = open_.back();
    if (std::string_view(names_).substr(open.nameAt, open.nameLength) != qname)
        Fail(XML_ERROR_TAG_MISMATCH, p);
    handler_.EndElement(NameOf(open));
    Close();
    return q + 1;
}

void TXmlTokenizer::Close()
{
    names_.resize(open_.back().nameAt);
    if (bindings_.size() != open_.back().bindingsBefore) {
        bindings_.resize(open_.back().bindingsBefore);
        defaultKnown_ = false;
    }
    open_.pop_back();
}

void ParseXmlEntryFast(const TZipArchive& archive, std::string_view part, TXmlHandler& handler)
{
    TXmlTokenizer tokenizer(handler, archive.File(), std::string(part));
    archive.StreamAhead(part, [&](std::string_view piece) { tokenizer.Parse(piece, false); });
    tokenizer.Parse({}, true);
}

void ParseXmlFast(std::string_view document, const std::filesystem::path& file, std::string part,
                  TXmlHandler& handler)
{
    TXmlTokenizer tokenizer(handler, file, std::move(part));
    tokenizer.Parse(document, true);
}

} // namespace Excel
