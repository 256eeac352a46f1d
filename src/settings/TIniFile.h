#pragma once

#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "text/UnicodeString.h"

// How an ini document's bytes are (and will again be) encoded.
enum class TIniEncoding {
    Utf8,      // no mark; also what a new document is written in
    Utf8Bom,
    Utf16LE,   // with mark
    Utf16BE,   // with mark
    ShiftJis,  // code page 932, no mark (files from the Windows program)
};

// An in-memory ini document shared by project, settings and task files.
// Section and key names match without regard to letter case; comments and
// lines outside sections are dropped on reading.
class TIniFile {
public:
    TIniFile() = default;

    // Reads the file at `path`; a missing file gives an empty document, an
    // unreadable one raises an Exception with the platform's reason.
    static TIniFile FromFile(const UnicodeString& path);
    static TIniFile FromBytes(std::string_view bytes);

    // Writes the document atomically in the encoding it was read in.
    void SaveToFile(const UnicodeString& path) const;
    std::string ToBytes() const;
    UnicodeString ToText() const;  // CR LF lines, one empty line after each section

    TIniEncoding Encoding() const { return encoding_; }
    void SetEncoding(TIniEncoding encoding) { encoding_ = encoding; }

    bool SectionExists(std::u16string_view section) const;
    bool ValueExists(std::u16string_view section, std::u16string_view key) const;

    UnicodeString ReadString(std::u16string_view section, std::u16string_view key,
                             const UnicodeString& fallback) const;
    int ReadInteger(std::u16string_view section, std::u16string_view key, int fallback) const;
    bool ReadBool(std::u16string_view section, std::u16string_view key, bool fallback) const;

    // A value holding a line break cannot be stored and raises an Exception.
    void WriteString(std::u16string_view section, std::u16string_view key, const UnicodeString& value);
    void WriteInteger(std::u16string_view section, std::u16string_view key, int value);
    void WriteBool(std::u16string_view section, std::u16string_view key, bool value);

private:
    struct Line {
        UnicodeString key;
        UnicodeString value;
        bool hasEquals = true;  // a line without "=" is kept as it was
    };
    struct Section {
        UnicodeString name;
        std::vector<Line> lines;
    };

    void Parse(std::u16string_view text);
    const Section* FindSection(std::u16string_view name) const;
    Section* FindSection(std::u16string_view name);
    static const Line* FindKey(const Section& section, std::u16string_view key);

    Section& AddSection(std::u16string_view name);

    std::vector<Section> sections_;
    std::unordered_map<UnicodeString, std::size_t> sectionIndex_;  // by folded name
    TIniEncoding encoding_ = TIniEncoding::Utf8;
};
