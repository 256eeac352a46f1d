#pragma once

// A fast reader for the large parts of a workbook (worksheets, shared
// strings). It gives a TXmlHandler the same events as TXmlReader, with the
// same refusals (DTDs, malformed XML, invalid UTF-8) and messages, but scans
// the bytes itself instead of paying expat's cost per event. Documents not in
// UTF-8 are handed to TXmlReader whole.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "readers/TXmlReader.h"

namespace Excel {

class TXmlTokenizer {
public:
    TXmlTokenizer(TXmlHandler& handler, std::filesystem::path file, std::string part);
    ~TXmlTokenizer();
    TXmlTokenizer(const TXmlTokenizer&) = delete;
    TXmlTokenizer& operator=(const TXmlTokenizer&) = delete;

    // Input may come in pieces of any size; an unfinished token is held back
    // until the input held has doubled, so the work stays linear in the
    // input. A token longer than MaxTokenBytes is refused.
    void Parse(std::string_view data, bool last);

    static constexpr std::size_t MaxTokenBytes = TXmlReader::MaxTokenBytes;

    // Bytes scanned so far, a rescanned unfinished token counted again.
    std::uint64_t ScannedBytes() const { return scanned_; }

    // The namespace `prefix` stands for where reading has got to; empty when
    // it is unbound. For a handler's Shortcut, which reads prefixed markup
    // itself only while the prefixes mean what it expects.
    std::string_view NamespaceOf(std::string_view prefix) const;

private:
    struct TBinding {
        std::string prefix;  // empty for the default namespace
        std::string uri;
        std::uint64_t space;  // TXmlName::space, unique to this declaration
    };
    struct TOpen {
        std::size_t nameAt;         // qualified name, in names_
        std::size_t nameLength;
        std::size_t prefixLength;   // 0 when unprefixed
        std::ptrdiff_t binding;     // index in bindings_ of its namespace, -1 for none
        std::size_t bindingsBefore;
    };
    struct TRawAttribute {
        std::string_view qname;
        std::size_t valueAt;  // in values_
        std::size_t valueLength;
    };

    std::size_t Scan(const char* begin, const char* end, bool last);
    const char* Token(const char* p, const char* end, bool last);
    const char* Text(const char* p, const char* end, bool last);
    const char* Markup(const char* p, const char* end);
    const char* StartTag(const char* p, const char* end);
    const char* EndTag(const char* p, const char* end);
    const char* Comment(const char* p, const char* end);
    const char* Instruction(const char* p, const char* end);
    const char* CData(const char* p, const char* end);
    const char* Decode(const char* p, const char* end, char stop, std::string& out);
    bool Start(bool last);
    void HoldBack();
    void Consumed(const char* p, std::size_t n);
    static std::uint64_t Characters(const char* p, const char* end);
    const char* Reference(const char* p, const char* end, std::string& out);
    void OpenElement(std::string_view qname, const char* at, bool plain);
    // Opens an unprefixed element without declarations; no event.
    void OpenPlain(std::string_view qname, const char* at);
    TBinding Bind(std::string_view prefix, std::string_view uri);
    bool DuplicateAttribute(bool resolved) const;
    std::ptrdiff_t Resolve(std::string_view prefix, const char* at);
    void Close();
    TXmlName NameOf(const TOpen& open) const;
    void CheckChars(const char* p, const char* end);
    void SwitchToExpat(bool last);
    [[noreturn]] void Fail(int expatError, const char* at) const;
    [[noreturn]] void Refuse(std::u16string_view why) const;

    TXmlHandler& handler_;
    std::filesystem::path file_;
    std::string part_;
    std::unique_ptr<TXmlReader> expat_;  // for a document not in UTF-8

    std::string held_;            // input not yet consumed: an unfinished token
    std::size_t need_ = 0;        // scan again once held_ is this long
    std::uint64_t offset_ = 0;    // position in the document of what is scanned
    std::uint64_t line_ = 1;      // line at offset_
    std::uint64_t column_ = 0;    // characters from that line's start to offset_
    const char* base_ = nullptr;  // start of the bytes being scanned
    std::uint64_t scanned_ = 0;
    bool started_ = false;
    bool rootSeen_ = false;

    std::vector<TOpen> open_;
    std::string names_;
    std::vector<TBinding> bindings_;
    std::ptrdiff_t default_ = -1;  // binding of the default namespace, when known
    bool defaultKnown_ = false;
    std::vector<TRawAttribute> raw_;
    std::vector<TXmlAttribute> attributes_;
    std::string values_;
    std::string text_;
};

// How a zip entry is inflated for parsing: on another thread, ahead of the
// parser, or by the parsing thread itself as it goes.
enum class TInflating { Ahead, AsParsed };
// Parses one zip entry.
void ParseXmlEntryFast(const class TZipArchive& archive, std::string_view part, TXmlHandler& handler,
                       TInflating inflating = TInflating::Ahead);
// Parses a whole document held in memory.
void ParseXmlFast(std::string_view document, const std::filesystem::path& file, std::string part,
                  TXmlHandler& handler);

} // namespace Excel
