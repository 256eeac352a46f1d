#include "settings/TIniFile.h"

#include <algorithm>
#include <utility>

#include "settings/TIniFileIO.h"
#include "text/TSameText.h"
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

// Trim without a copy: a line may be megabytes long.
std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && text.front() <= u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= u' ')
        text.remove_suffix(1);
    return text;
}

std::uint32_t Fnv1a(std::u16string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char16_t c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

// Of the folded name: equal for names SameText takes as equal. Folding
// plain ASCII only maps A-Z to a-z, which needs no case tables.
std::uint32_t NameHash(std::u16string_view name)
{
    if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c >= 0x80; }))
        return Fnv1a(FoldCase(name));
    UnicodeString folded(name);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    return Fnv1a(folded);
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
        const std::u16string_view line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n')
            ++pos;  // CR LF is one line end

        if (line.empty() || line[0] == u';')
            continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            const std::u16string_view name = Trimmed(line.substr(1, line.size() - 2));
            // A repeated header continues the section it names.
            current = FindSection(name);
            if (!current)
                current = &AddSection(name);
            continue;
        }
        if (!current)
            continue;
        UnicodeString& out = current->text;
        out.reserve(out.size() + line.size() + 2);  // exact for a section's first line
        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            out += line;  // kept as it was
        } else {
            out += Trimmed(line.substr(0, eq));
            out += u'=';
            out += Trimmed(line.substr(eq + 1));
        }
        out += u"\r\n";
    }
    for (Section& section : sections_)
        section.text.shrink_to_fit();
}

UnicodeString TIniFile::ToText() const
{
    std::size_t size = 0;
    for (const auto& section : sections_)
        size += section.text.size() + 6;
    UnicodeString out;
    out.reserve(size);
    for (const auto& section : sections_) {
        out += u'[';
        out += section.Name();
        out += u"]\r\n";
        out += std::u16string_view(section.text).substr(section.nameLength);
        out += u"\r\n";
    }
    return out;
}

const TIniFile::Section* TIniFile::FindSection(std::u16string_view name) const
{
    if (slots_.empty())
        return nullptr;
    const std::uint32_t hash = NameHash(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i] != 0; i = (i + 1) & mask) {
        const Section& section = sections_[slots_[i] - 1];
        if (section.hash == hash && SameText(section.Name(), name))
            return &section;
    }
    return nullptr;
}

TIniFile::Section* TIniFile::FindSection(std::u16string_view name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

TIniFile::Section& TIniFile::AddSection(std::u16string_view name)
{
    sections_.push_back(Section{UnicodeString(name), static_cast<std::uint32_t>(name.size()), NameHash(name)});
    IndexSection(static_cast<std::uint32_t>(sections_.size() - 1));
    return sections_.back();
}

void TIniFile::IndexSection(std::uint32_t index)
{
    const auto place = [this](std::uint32_t i) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = sections_[i].hash & mask;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = i + 1;
    };
    // At most half full, so that probes stay short.
    if (sections_.size() * 2 > slots_.size()) {
        slots_.assign(std::max<std::size_t>(16, slots_.size() * 2), 0);
        for (std::uint32_t i = 0; i < index; ++i)
            place(i);
    }
    place(index);
}

std::optional<TIniFile::KeyLine> TIniFile::FindKey(const Section& section, std::u16string_view key)
{
    const std::u16string_view text(section.text);
    for (std::size_t pos = section.nameLength; pos < text.size();) {
        const std::size_t end = text.find(u"\r\n", pos);  // every line ends so
        const std::u16string_view line = text.substr(pos, end - pos);
        const std::size_t eq = line.find(u'=');
        if (eq != std::u16string_view::npos && SameText(line.substr(0, eq), key))
            return KeyLine{pos, end, pos + eq + 1};
        pos = end + 2;
    }
    return std::nullopt;
}

std::optional<std::u16string_view> TIniFile::FindValue(std::u16string_view section, std::u16string_view key) const
{
    const Section* s = FindSection(section);
    const auto line = s ? FindKey(*s, key) : std::nullopt;
    if (!line)
        return std::nullopt;
    return std::u16string_view(s->text).substr(line->value, line->end - line->value);
}

bool TIniFile::SectionExists(std::u16string_view section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::u16string_view section, std::u16string_view key) const
{
    return FindValue(section, key).has_value();
}

UnicodeString TIniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                   const UnicodeString& fallback) const
{
    const auto value = FindValue(section, key);
    return value ? UnicodeString(*value) : fallback;
}

int TIniFile::ReadInteger(std::u16string_view section, std::u16string_view key, int fallback) const
{
    const auto value = FindValue(section, key);
    return value ? StrToIntDef(*value, fallback) : fallback;
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
    UnicodeString line(key);
    line += u'=';
    line += value;
    if (const auto found = FindKey(*s, key)) {
        // The whole line is replaced, the key's spelling included.
        s->text.replace(found->begin, found->end - found->begin, line);
        return;
    }
    s->text += line;
    s->text += u"\r\n";
}

void TIniFile::WriteInteger(std::u16string_view section, std::u16string_view key, int value)
{
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::u16string_view section, std::u16string_view key, bool value)
{
    WriteString(section, key, value ? u"1" : u"0");
}
