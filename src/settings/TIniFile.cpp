#include "settings/TIniFile.h"

#include <utility>

#include "settings/TIniFileIO.h"
#include "settings/TSameText.h"
#include "text/Exception.h"
#include "text/TAtomicFile.h"
#include "text/TConvert.h"

namespace {

bool HasLineBreak(std::u16string_view text)
{
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

void CheckStorable(std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    // The format has no escaping: a line break would cut the value and let
    // the rest be read as lines of their own.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        throw Exception(u"改行を含む値は設定ファイルに保存できません。");
    if (key.find(u'=') != std::u16string_view::npos)
        throw Exception(u"キー名に \"=\" を含めることはできません。");
}

} // namespace

TIniFile TIniFile::FromFile(const UnicodeString& path)
{
    std::string bytes;
    if (!TIniFileIO::ReadExisting(path, bytes))
        return TIniFile();
    return FromBytes(bytes);
}

TIniFile TIniFile::FromBytes(std::string_view bytes)
{
    TIniFile ini;
    ini.Parse(TIniFileIO::Decode(bytes, ini.encoding_));
    return ini;
}

void TIniFile::SaveToFile(const UnicodeString& path) const
{
    TAtomicFile::Write(path, ToBytes());
}

std::string TIniFile::ToBytes() const
{
    return TIniFileIO::Encode(ToText(), encoding_);
}

void TIniFile::Parse(std::u16string_view text)
{
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        const UnicodeString line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n')
            ++pos;  // CR LF is one line end

        if (line.empty() || line[0] == u';')
            continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            const UnicodeString name = Trim(std::u16string_view(line).substr(1, line.size() - 2));
            // A repeated header continues the section it names.
            current = FindSection(name);
            if (!current)
                current = &AddSection(name);
            continue;
        }
        if (!current)
            continue;
        const std::size_t eq = line.find(u'=');
        if (eq == UnicodeString::npos) {
            current->lines.push_back(Line{line, {}, false});
            continue;
        }
        const std::u16string_view view(line);
        current->lines.push_back(Line{Trim(view.substr(0, eq)), Trim(view.substr(eq + 1)), true});
    }
}

UnicodeString TIniFile::ToText() const
{
    UnicodeString out;
    for (const auto& section : sections_) {
        out += u'[';
        out += section.name;
        out += u"]\r\n";
        for (const auto& line : section.lines) {
            out += line.key;
            if (line.hasEquals) {
                out += u'=';
                out += line.value;
            }
            out += u"\r\n";
        }
        out += u"\r\n";
    }
    return out;
}

const TIniFile::Section* TIniFile::FindSection(std::u16string_view name) const
{
    const auto found = sectionIndex_.find(FoldCase(name));
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

TIniFile::Section& TIniFile::AddSection(std::u16string_view name)
{
    sectionIndex_.emplace(FoldCase(name), sections_.size());
    sections_.push_back(Section{UnicodeString(name), {}});
    return sections_.back();
}

TIniFile::Section* TIniFile::FindSection(std::u16string_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const TIniFile::Line* TIniFile::FindKey(const Section& section, std::u16string_view key)
{
    for (const auto& line : section.lines)
        if (line.hasEquals && SameText(line.key, key))
            return &line;
    return nullptr;
}

bool TIniFile::SectionExists(std::u16string_view section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::u16string_view section, std::u16string_view key) const
{
    const Section* s = FindSection(section);
    return s && FindKey(*s, key);
}

UnicodeString TIniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                   const UnicodeString& fallback) const
{
    const Section* s = FindSection(section);
    const Line* line = s ? FindKey(*s, key) : nullptr;
    return line ? line->value : fallback;
}

int TIniFile::ReadInteger(std::u16string_view section, std::u16string_view key, int fallback) const
{
    const Section* s = FindSection(section);
    const Line* line = s ? FindKey(*s, key) : nullptr;
    return line ? StrToIntDef(line->value, fallback) : fallback;
}

bool TIniFile::ReadBool(std::u16string_view section, std::u16string_view key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::u16string_view section, std::u16string_view key, const UnicodeString& value)
{
    CheckStorable(section, key, value);
    Section* s = FindSection(section);
    if (!s)
        s = &AddSection(section);
    if (auto* line = const_cast<Line*>(FindKey(*s, key))) {
        // The whole line is replaced, the key's spelling included.
        line->key = UnicodeString(key);
        line->value = value;
        return;
    }
    s->lines.push_back(Line{UnicodeString(key), value, true});
}

void TIniFile::WriteInteger(std::u16string_view section, std::u16string_view key, int value)
{
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::u16string_view section, std::u16string_view key, bool value)
{
    WriteString(section, key, value ? u"1" : u"0");
}
