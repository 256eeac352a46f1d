#include "readers/xlsx/TXlsxPackage.h"

#include "readers/TXmlReader.h"
#include "readers/TZipArchive.h"
#include "text/TConvert.h"

namespace Excel {

namespace {

std::string PercentDecode(std::string_view text)
{
    const auto hex = [](char c) { return HexDigitValue(static_cast<unsigned char>(c)); };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '\\' ? '/' : text[i];
        }
    }
    return out;
}

class TRelationshipHandler : public TXmlHandler {
public:
    std::vector<TRelationship> result;
    std::string source;

    void StartElement(const TXmlName& name, const TXmlAttributes& a) override
    {
        if (name.local != "Relationship")
            return;
        const char* id = a.Find("Id");
        const char* type = a.Find("Type");
        const char* target = a.Find("Target");
        const char* mode = a.Find("TargetMode");
        if (!id || !type || !target)
            return;
        TRelationship r;
        r.id = id;
        std::string_view t = type;
        r.type = std::string(t.substr(t.rfind('/') + 1));
        if (!mode || std::string_view(mode) != "External")
            r.target = ResolvePartName(source, target);
        result.push_back(std::move(r));
    }
    void EndElement(const TXmlName&) override {}
};

} // namespace

std::string ResolvePartName(std::string_view source, std::string_view target)
{
    const std::string decoded = PercentDecode(target);
    std::string path;
    if (decoded.empty() || decoded.front() != '/') {
        const auto slash = source.rfind('/');
        if (slash != std::string_view::npos)
            path.assign(source.substr(0, slash + 1));
    }
    path += decoded;

    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view segment(path.data() + start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.emplace_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) {
        if (!out.empty())
            out += '/';
        out += s;
    }
    return out;
}

std::vector<TRelationship> ReadRelationships(const TZipArchive& archive, std::string_view part)
{
    const auto slash = part.rfind('/');
    std::string relsName;
    if (slash == std::string_view::npos)
        relsName = "_rels/" + std::string(part) + ".rels";
    else
        relsName = std::string(part.substr(0, slash + 1)) + "_rels/" +
                   std::string(part.substr(slash + 1)) + ".rels";
    TRelationshipHandler handler;
    handler.source = std::string(part);
    if (archive.Contains(relsName))
        ParseXmlEntry(archive, relsName, handler);
    return std::move(handler.result);
}

const TRelationship* FindRelationship(const std::vector<TRelationship>& relationships,
                                      std::string_view type)
{
    for (const auto& r : relationships)
        if (r.type == type && !r.target.empty())
            return &r;
    return nullptr;
}

bool IsSpreadsheetNamespace(std::string_view uri)
{
    return uri == "http://schemas.openxmlformats.org/spreadsheetml/2006/main" ||
           uri == "http://purl.oclc.org/ooxml/spreadsheetml/main";
}

bool IsRelationshipNamespace(std::string_view uri)
{
    return uri == "http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
           uri == "http://purl.oclc.org/ooxml/officeDocument/relationships";
}

} // namespace Excel
