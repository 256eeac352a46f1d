#include "NumberFormatTestData.h"

#include <cstdlib>
#include <stdexcept>

#include "support/TestSupport.h"

namespace numfmttest {

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    Json Value() {
        Skip();
        if (p_ >= s_.size()) throw std::runtime_error("unexpected end");
        char c = s_[p_];
        Json v;
        if (c == '[') {
            v.kind = Json::Array;
            ++p_;
            Skip();
            if (Peek() == ']') { ++p_; return v; }
            for (;;) {
                v.items.push_back(Value());
                Skip();
                if (Peek() == ',') { ++p_; continue; }
                if (Peek() == ']') { ++p_; return v; }
                throw std::runtime_error("bad array");
            }
        }
        if (c == '"') {
            v.kind = Json::String;
            v.text = String();
            return v;
        }
        if (s_.compare(p_, 4, "true") == 0) { p_ += 4; v.kind = Json::Bool; v.boolean = true; return v; }
        if (s_.compare(p_, 5, "false") == 0) { p_ += 5; v.kind = Json::Bool; return v; }
        if (s_.compare(p_, 4, "null") == 0) { p_ += 4; return v; }
        std::size_t start = p_;
        while (p_ < s_.size() && (std::isdigit((unsigned char)s_[p_]) || s_[p_] == '-' || s_[p_] == '+'
                                  || s_[p_] == '.' || s_[p_] == 'e' || s_[p_] == 'E'))
            ++p_;
        if (start == p_) throw std::runtime_error("bad value");
        v.kind = Json::Number;
        v.text = s_.substr(start, p_ - start);
        v.number = std::strtod(v.text.c_str(), nullptr);
        return v;
    }

private:
    char Peek() const { return p_ < s_.size() ? s_[p_] : '\0'; }
    void Skip() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_;
    }
    std::string String() {
        std::string out;
        ++p_;
        while (p_ < s_.size() && s_[p_] != '"') {
            char c = s_[p_++];
            if (c != '\\') { out += c; continue; }
            char e = s_[p_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = std::stoul(s_.substr(p_, 4), nullptr, 16);
                p_ += 4;
                if (code < 0x80) out += char(code);
                else if (code < 0x800) { out += char(0xC0 | (code >> 6)); out += char(0x80 | (code & 0x3F)); }
                else { out += char(0xE0 | (code >> 12)); out += char(0x80 | ((code >> 6) & 0x3F)); out += char(0x80 | (code & 0x3F)); }
                break;
            }
            default: out += e;
            }
        }
        if (p_ >= s_.size()) throw std::runtime_error("unterminated string");
        ++p_;
        return out;
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

} // namespace

Json ParseJson(const std::string& text) { return Parser(text).Value(); }

std::vector<std::vector<std::string>> ParseTsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) {
            std::vector<std::string> fields;
            std::size_t f = 0;
            for (;;) {
                std::size_t tab = line.find('\t', f);
                fields.push_back(line.substr(f, tab == std::string::npos ? std::string::npos : tab - f));
                if (tab == std::string::npos) break;
                f = tab + 1;
            }
            rows.push_back(std::move(fields));
        }
        start = end + 1;
    }
    return rows;
}

std::string ReadOracle(const std::string& name) {
    return testsupport::ReadFile(testsupport::SharedDir() / "number-formats" / name);
}

} // namespace numfmttest
