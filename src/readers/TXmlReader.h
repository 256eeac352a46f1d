#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

typedef struct XML_ParserStruct* XML_Parser;

namespace Excel {

class TZipArchive;

// An element or attribute name split into namespace URI and local name, so
// readers match on what a prefix stands for rather than on the prefix.
struct TXmlName {
    std::string_view uri;    // empty when the name has no namespace
    std::string_view local;
    // Names of one nonzero `space` have one uri, so a handler can remember
    // what it found the uri to be. 0 when the reader gives no such id.
    std::uint64_t space = 0;

    bool Is(std::string_view u, std::string_view l) const { return local == l && uri == u; }
};

// One attribute as a reader hands it over; the value is UTF-8 and is
// followed by a NUL, so it can also be used as a C string.
struct TXmlAttribute {
    TXmlName name;
    std::string_view value;
};

// The attributes of one start tag, valid during the callback only.
class TXmlAttributes {
public:
    TXmlAttributes(const TXmlAttribute* items, std::size_t count) : items_(items), count_(count) {}

    // nullptr when absent. Unprefixed attributes have no namespace.
    const char* Find(std::string_view uri, std::string_view local) const
    {
        for (std::size_t i = 0; i < count_; ++i)
            if (items_[i].name.Is(uri, local))
                return items_[i].value.data();
        return nullptr;
    }
    const char* Find(std::string_view local) const { return Find({}, local); }

    template <typename F> void ForEach(F&& f) const
    {
        for (std::size_t i = 0; i < count_; ++i)
            f(items_[i].name, items_[i].value);
    }

    // An expanded name of expat ("uri\x01local", or "local" alone) split.
    static TXmlName Split(const char* expanded);

private:
    const TXmlAttribute* items_;
    std::size_t count_;
};

// Receives the parse events; text arrives UTF-8, possibly in several pieces.
class TXmlHandler {
public:
    virtual ~TXmlHandler() = default;
    virtual void StartElement(const TXmlName& name, const TXmlAttributes& attributes) = 0;
    virtual void EndElement(const TXmlName& name) = 0;
    virtual void Characters(std::string_view /*text*/) {}

    // The tokenizer offers the markup at p, a start tag inside the root
    // element, before it reads it; unprefixed names there are in
    // `defaultNamespace`. A handler may take complete elements of shapes it
    // knows, with the same outcome as their events (TXmlShortcut.h reads
    // them), and gives where it stopped: p when it took nothing. Only
    // markup that is well-formed whatever follows may be taken. It may
    // begin with the start tag of an unprefixed element that stays open,
    // whose name it then puts in `opened`; the tokenizer closes it as any.
    virtual const char* Shortcut(const char* p, const char* /*end*/, const TXmlName& /*defaultNamespace*/,
                                 std::string_view& /*opened*/)
    {
        return p;
    }
};

// A streaming, non-validating XML parser (expat) that refuses document type
// and entity declarations, so nothing is ever expanded or fetched. Errors,
// malformed XML and invalid UTF-8 included, are EOleExceptions naming the
// workbook file and the part. An exception thrown by the handler stops the
// parse and passes through unchanged.
class TXmlReader {
public:
    TXmlReader(TXmlHandler& handler, std::filesystem::path file, std::string part);
    ~TXmlReader();
    TXmlReader(const TXmlReader&) = delete;
    TXmlReader& operator=(const TXmlReader&) = delete;

    // Input may come in pieces of any size; reading costs time linear in
    // the whole input, however long its tokens. A token (a comment, a tag
    // with its attributes) longer than MaxTokenBytes is refused.
    void Parse(std::string_view data, bool last);

    static constexpr std::size_t MaxTokenBytes = 256u << 20;

    // Bytes expat has been made to scan so far, an unfinished token counted
    // again on every call that resumes it: the measure of the work done.
    std::uint64_t ScannedBytes() const { return scanned_; }

private:
    void Feed(std::string_view data, bool last);
    static void OnStart(void* self, const char* name, const char** attributes);
    static void OnEnd(void* self, const char* name);
    static void OnText(void* self, const char* text, int length);
    static void OnDoctype(void* self, const char*, const char*, const char*, int);
    static void OnEntity(void* self, const char*, int, const char*, int, const char*,
                         const char*, const char*, const char*);
    void Abort(std::exception_ptr error);
    [[noreturn]] void Fail(std::u16string_view why);

    TXmlHandler& handler_;
    std::filesystem::path file_;
    std::string part_;
    XML_Parser parser_;
    std::exception_ptr error_;
    std::uint64_t events_ = 0;   // callbacks so far: a call without any is stuck in a token
    std::size_t stalled_ = 0;    // bytes fed since the last event
    std::string pending_;        // input held back while stalled
    std::uint64_t scanned_ = 0;
    std::vector<TXmlAttribute> attributes_;  // of the start tag being reported
};

// Parses one zip entry as it is inflated.
void ParseXmlEntry(const TZipArchive& archive, std::string_view part, TXmlHandler& handler);
// Parses a whole document held in memory.
void ParseXml(std::string_view document, const std::filesystem::path& file, std::string part,
              TXmlHandler& handler);

} // namespace Excel
