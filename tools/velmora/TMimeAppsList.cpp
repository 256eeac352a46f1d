#include "TMimeAppsList.h"

#include <vector>

namespace {

constexpr char DefaultSection[] = "[Default Applications]";

struct Line {
    std::string body;        // without its line end
    std::string end;         // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back({text.substr(start), ""});
            break;
        }
        std::size_t bodyEnd = nl;
        if (bodyEnd > start && text[bodyEnd - 1] == '\r')
            --bodyEnd;
        lines.push_back({text.substr(start, bodyEnd - start), text.substr(bodyEnd, nl + 1 - bodyEnd)});
        start = nl + 1;
    }
    return lines;
}

std::string Join(const std::vector<Line>& lines)
{
    std::string text;
    for (const Line& line : lines)
        text += line.body + line.end;
    return text;
}

std::string Trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool IsHeader(const Line& line)
{
    const std::string t = Trimmed(line.body);
    return !t.empty() && t.front() == '[';
}

// Index of the section header, or lines.size().
std::size_t FindSection(const std::vector<Line>& lines)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (Trimmed(lines[i].body) == DefaultSection)
            return i;
    return lines.size();
}

std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < lines.size() && !IsHeader(lines[i]))
        ++i;
    return i;
}

std::size_t FindEntry(const std::vector<Line>& lines, std::size_t header, const std::string& mimeType)
{
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::size_t eq = lines[i].body.find('=');
        if (eq != std::string::npos && Trimmed(lines[i].body.substr(0, eq)) == mimeType)
            return i;
    }
    return lines.size();
}

std::vector<std::string> Ids(const std::string& body)
{
    std::vector<std::string> ids;
    std::string rest = body.substr(body.find('=') + 1);
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t semi = rest.find(';', start);
        const std::string id = Trimmed(rest.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (!id.empty())
            ids.push_back(id);
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return ids;
}

std::string EntryBody(const std::string& mimeType, const std::vector<std::string>& ids)
{
    std::string body = mimeType + "=";
    for (const std::string& id : ids)
        body += id + ";";
    return body;
}

std::vector<std::string> Without(const std::vector<std::string>& ids, const std::string& id)
{
    std::vector<std::string> rest;
    for (const std::string& other : ids)
        if (other != id)
            rest.push_back(other);
    return rest;
}

} // namespace

std::string WithDefaultApplication(const std::string& text, const std::string& mimeType,
                                   const std::string& desktopId)
{
    std::vector<Line> lines = SplitLines(text);
    if (!lines.empty() && lines.back().end.empty())
        lines.back().end.push_back('\n');  // it is empty here
    const std::size_t header = FindSection(lines);
    if (header == lines.size()) {
        lines.push_back({DefaultSection, "\n"});
        lines.push_back({EntryBody(mimeType, {desktopId}), "\n"});
        return Join(lines);
    }
    const std::size_t entry = FindEntry(lines, header, mimeType);
    if (entry == lines.size()) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(header) + 1,
                     Line{EntryBody(mimeType, {desktopId}), lines[header].end});
        return Join(lines);
    }
    std::vector<std::string> ids{desktopId};
    for (const std::string& id : Without(Ids(lines[entry].body), desktopId))
        ids.push_back(id);
    lines[entry].body = EntryBody(mimeType, ids);
    return Join(lines);
}

std::string WithoutDefaultApplication(const std::string& text, const std::string& mimeType,
                                      const std::string& desktopId)
{
    std::vector<Line> lines = SplitLines(text);
    const std::size_t header = FindSection(lines);
    if (header == lines.size())
        return text;
    const std::size_t entry = FindEntry(lines, header, mimeType);
    if (entry == lines.size())
        return text;
    const std::vector<std::string> ids = Ids(lines[entry].body);
    const std::vector<std::string> rest = Without(ids, desktopId);
    if (rest.size() == ids.size())
        return text;
    if (!rest.empty()) {
        lines[entry].body = EntryBody(mimeType, rest);
        return Join(lines);
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(entry));
    if (SectionEnd(lines, header) == header + 1)
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header));
    return Join(lines);
}
