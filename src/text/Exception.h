#pragma once

#include <exception>
#include <string>

#include "text/UnicodeString.h"

// Base of every failure the system raises: one message text, shown as is.
class Exception : public std::exception {
public:
    explicit Exception(UnicodeString message);

    const UnicodeString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    UnicodeString message_;
    std::string utf8_;
};
