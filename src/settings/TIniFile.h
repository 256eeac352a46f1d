#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
    // A section keeps its name and then its lines as they are written back
    // ("key=value" or the bare text of a line without "=", each ended by
    // CR LF), so a large file costs little more than its own text.
    struct Section {
        UnicodeString text;
        std::uint32_t nameLength = 0;
        std::uint32_t hash = 0;  // of the folded name

        std::u16string_view Name() const { return std::u16string_view(text).substr(0, nameLength); }
    };
    // Where a key's line lies in a section's text.
    struct KeyLine {
        std::size_t begin = 0;
        std::size_t end = 0;  // before its CR LF
        std::size_t value = 0;
    };

    void Parse(std::u16string_view text);
    const Section* FindSection(std::u16string_view name) const;
    Section* FindSection(std::u16string_view name);
    static std::optional<KeyLine> FindKey(const Section& section, std::u16string_view key);
    std::optional<std::u16string_view> FindValue(std::u16string_view section, std::u16string_view key) const;

    Section& AddSection(std::u16string_view name);
    void IndexSection(std::uint32_t index);

    std::vector<Section> sections_;
    // Open addressing by folded name: section index + 1, 0 for a free slot.
    std::vector<std::uint32_t> slots_;
    TIniEncoding encoding_ = TIniEncoding::Utf8;
};
