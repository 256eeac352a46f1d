#pragma once

// An XML handler for tests that records the events as text:
// "<uri|local uri|name=value>", "</uri|local>" and the text, so that two
// readers that cut text differently still compare equal.

#include <string>
#include <string_view>

#include "readers/TXmlReader.h"

namespace testsupport {

class XmlEventLog : public Excel::TXmlHandler {
public:
    std::string log;
    // Whether every attribute value handed over could also be read as a C string.
    bool valuesEndInNul = true;

    void StartElement(const Excel::TXmlName& name, const Excel::TXmlAttributes& attributes) override
    {
        log += "<" + std::string(name.uri) + "|" + std::string(name.local);
        attributes.ForEach([&](const Excel::TXmlName& a, std::string_view v) {
            log += " " + std::string(a.uri) + "|" + std::string(a.local) + "=" + std::string(v);
            valuesEndInNul = valuesEndInNul && v.data()[v.size()] == '\0';
        });
        log += ">";
    }
    void EndElement(const Excel::TXmlName& name) override
    {
        log += "</" + std::string(name.uri) + "|" + std::string(name.local) + ">";
    }
    void Characters(std::string_view text) override { log += text; }
};

} // namespace testsupport
