// libFuzzer target: any bytes as the XML of one worksheet. The package
// around it is skipped, so mutations reach the cell reader instead of
// failing the zip checksums. Must read or refuse, never crash; the
// tokenizer must accept exactly what expat accepts, with the same events;
// and cells the sheet reader takes whole must read as through events.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "../support/SheetReadLog.h"
#include "FuzzCheck.h"
#include "text/Exception.h"
#include "readers/TXmlTokenizer.h"

namespace {

class Recorder : public Excel::TXmlHandler {
public:
    std::string log;
    void StartElement(const Excel::TXmlName& name, const Excel::TXmlAttributes& attributes) override
    {
        Append('<', name);
        attributes.ForEach([&](const Excel::TXmlName& a, std::string_view v) {
            Append(' ', a);
            log += '=';
            log += v;
        });
    }
    void EndElement(const Excel::TXmlName& name) override { Append('/', name); }
    void Characters(std::string_view text) override { log += text; }

private:
    void Append(char mark, const Excel::TXmlName& name)
    {
        log += mark;
        log += name.uri;
        log += '|';
        log += name.local;
        log += '\x01';
    }
};

// The events, or nothing when the document is refused.
template <typename F> bool Events(F&& parse, std::string& log)
{
    Recorder r;
    try {
        parse(r);
    } catch (const Exception&) {
        return false;
    }
    log = std::move(r.log);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    const std::string part = "xl/worksheets/sheet1.xml";
    std::string byExpat, byTokenizer;
    const bool expatRead = Events([&](Recorder& r) { Excel::ParseXml(xml, "fuzz.xlsx", part, r); }, byExpat);
    const bool tokenizerRead = Events(
        [&](Recorder& r) {
            // In uneven pieces, as a zip entry arrives.
            Excel::TXmlTokenizer tokenizer(r, "fuzz.xlsx", part);
            const std::size_t piece = 1 + size % 61;
            for (std::size_t at = 0; at < size; at += piece)
                tokenizer.Parse(xml.substr(at, piece), false);
            tokenizer.Parse({}, true);
        },
        byTokenizer);
    Check(expatRead == tokenizerRead);
    Check(byExpat == byTokenizer);
    // Cells taken whole read as their events would, refusals included.
    const std::size_t piece = 1 + size % 53;
    const auto taken = testsupport::ReadSheet<Excel::TXlsxSheetHandler>(xml, piece);
    const auto byEvents = testsupport::ReadSheet<testsupport::EventsOnlySheet>(xml, piece);
    if (taken != byEvents)
        std::fprintf(stderr, "taken whole: %s\nby events:   %s\n", taken.c_str(), byEvents.c_str());
    Check(taken == byEvents);
    // However the input is cut, the same cells; a refusal stays a refusal,
    // though expat (which reads documents not in UTF-8) may name another
    // fault for the same bytes cut elsewhere.
    const auto uncut = testsupport::ReadSheet<testsupport::EventsOnlySheet>(xml, size + 1);
    const auto refused = [](const std::string& log) { return log.rfind("ファイル", 0) == 0; };
    Check(refused(uncut) == refused(byEvents));
    Check(refused(uncut) || uncut == byEvents);

    return 0;
}
