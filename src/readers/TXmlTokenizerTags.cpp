// The tokenizer's tags: start and end tags, their attributes and the
// namespaces they declare.

#include "readers/TXmlTokenizer.h"

#include <expat.h>

#include <algorithm>
#include <cstring>

#include "readers/TXmlChars.h"

namespace Excel {

using namespace Xml;

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

std::string_view TXmlTokenizer::NamespaceOf(std::string_view prefix) const
{
    for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
        if (it->prefix == prefix)
            return it->uri;
    return {};
}

TXmlName TXmlTokenizer::NameOf(const TOpen& open) const
{
    const std::size_t skip = open.prefixLength ? open.prefixLength + 1 : 0;
    const std::string_view local(names_.data() + open.nameAt + skip, open.nameLength - skip);
    if (open.binding < 0)
        return {{}, local};
    const TBinding& b = bindings_[static_cast<std::size_t>(open.binding)];
    return {b.uri, local, b.space};
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
    // Plain: no prefixes and no declarations, the usual case in large parts.
    const auto prefixed = [](std::string_view name) { return name.find(':') != std::string_view::npos; };
    bool plain = !prefixed(qname);
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
        plain = plain && !prefixed(attribute) && attribute.substr(0, 5) != "xmlns";
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
    OpenElement(qname, p, plain);
    if (empty) {
        handler_.EndElement(NameOf(open_.back()));
        Close();
    }
    return q;
}

void TXmlTokenizer::OpenPlain(std::string_view qname, const char* at)
{
    open_.push_back({names_.size(), qname.size(), 0, Resolve({}, at), bindings_.size()});
    names_.append(qname);
    rootSeen_ = true;
}

void TXmlTokenizer::OpenElement(std::string_view qname, const char* at, bool plain)
{
    const std::size_t bindingsBefore = bindings_.size();
    const auto value = [&](const TRawAttribute& a) {
        return std::string_view(values_).substr(a.valueAt, a.valueLength);
    };
    if (plain) {
        // Nothing to declare or resolve but the default namespace, and
        // attribute names are the same whether compared raw or resolved.
        OpenPlain(qname, at);
        attributes_.clear();
        for (const auto& a : raw_)
            attributes_.push_back({{{}, a.qname}, value(a)});
        if (DuplicateAttribute(false))
            Fail(XML_ERROR_DUPLICATE_ATTRIBUTE, at);
        handler_.StartElement(NameOf(open_.back()), TXmlAttributes(attributes_.data(), attributes_.size()));
        return;
    }
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
            bindings_.push_back(Bind({}, value(a)));
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
            bindings_.push_back(Bind(prefix, value(a)));
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
            name = {{}, a.qname.substr(attributePrefix->size() + 1)};
            if (binding >= 0) {
                const TBinding& b = bindings_[static_cast<std::size_t>(binding)];
                name.uri = b.uri;
                name.space = b.space;
            }
        }
        attributes_.push_back({name, value(a)});
    }
    if (DuplicateAttribute(true))
        Fail(XML_ERROR_DUPLICATE_ATTRIBUTE, at);
    handler_.StartElement(NameOf(open_.back()), TXmlAttributes(attributes_.data(), attributes_.size()));
}

// Two attributes of one name, written alike or, when `resolved` is asked,
// through prefixes of one namespace, make the document malformed.
bool TXmlTokenizer::DuplicateAttribute(bool resolved) const
{
    if (raw_.size() <= 16) {
        // Looking at the first byte first spares most comparisons.
        const auto same = [](std::string_view a, std::string_view b) {
            return a.size() == b.size() && !a.empty() && a[0] == b[0] && a == b;
        };
        for (std::size_t i = 0; i < raw_.size(); ++i)
            for (std::size_t j = i + 1; j < raw_.size(); ++j)
                if (same(raw_[i].qname, raw_[j].qname))
                    return true;
        if (!resolved)
            return false;
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
    if (!resolved)
        return false;
    std::vector<std::pair<std::string_view, std::string_view>> names;
    for (const auto& a : attributes_)
        names.emplace_back(a.name.uri, a.name.local);
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
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

} // namespace Excel
