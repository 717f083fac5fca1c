#pragma once
// The one base exception type. Every error of the system is an exception
// carrying a fixed English message; the system's own exception types derive
// directly from this one.
#include <exception>
#include <string>
#include <utility>

namespace corvanta {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace corvanta
