#pragma once

// Readers for the recorded number-format expectations (JSON and TSV files).

#include <memory>
#include <string>
#include <vector>

namespace numfmttest {

struct Json {
    enum Kind { Null, Bool, Number, String, Array } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // the string, or a number's source text
    std::vector<Json> items;
};

// Parses JSON text (numbers, strings, booleans, arrays); throws std::runtime_error.
Json ParseJson(const std::string& text);

// Splits TSV text into rows of fields.
std::vector<std::vector<std::string>> ParseTsv(const std::string& text);

// Shared oracle file by name, e.g. "general.json".
std::string ReadOracle(const std::string& name);

} // namespace numfmttest
