// Text formatting of numbers and values with the program's own rules (not C's printf):
// numbers are taken to 15 significant digits and then rounded half away from zero.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// One argument of Format: an integer, a floating value, a text, a character or a pointer.
class TVarRec {
public:
    TVarRec(int v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(long v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(long long v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}
    TVarRec(double v) : value_(static_cast<long double>(v)) {}
    TVarRec(float v) : value_(static_cast<long double>(v)) {}
    TVarRec(long double v) : value_(v) {}
    TVarRec(char v) : value_(std::string(1, v)) {}
    TVarRec(const char* v) : value_(std::string(v ? v : "")) {}
    TVarRec(std::string v) : value_(std::move(v)) {}
    TVarRec(std::string_view v) : value_(std::string(v)) {}
    TVarRec(const void* v) : value_(v) {}

    bool IsInteger() const { return std::holds_alternative<std::int64_t>(value_); }
    bool IsFloat() const { return std::holds_alternative<long double>(value_); }
    bool IsString() const { return std::holds_alternative<std::string>(value_); }
    bool IsPointer() const { return std::holds_alternative<const void*>(value_); }

    std::int64_t AsInteger() const { return std::get<std::int64_t>(value_); }
    long double AsFloat() const { return std::get<long double>(value_); }
    const std::string& AsString() const { return std::get<std::string>(value_); }
    const void* AsPointer() const { return std::get<const void*>(value_); }

private:
    std::variant<std::int64_t, long double, std::string, const void*> value_;
};

using TVarRecs = std::initializer_list<TVarRec>;

// Formats args by the specifiers of fmt: %d %u %e %f %g %n %m %p %s %x in either case, each as
// %[index:][-][width][.prec]type with '*' taking width or precision from the arguments.
// A specifier that does not fit its argument raises EConvertError
// ("Format '%s' invalid or incompatible with argument").
std::string Format(std::string_view fmt, TVarRecs args);
