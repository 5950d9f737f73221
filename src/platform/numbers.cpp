#include "platform/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace syl {

std::string errorDescription(int number)
{
    switch (number) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscript: return "Subscript out of range";
    case kErrDivisionByZero: return "Division by zero";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrFileNotFound: return "File not found";
    case kErrFileAccess: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrResourceNotFound: return "Resource not found";
    case kErrInvalidPropertyValue: return "Invalid property value";
    case kErrInvalidPicture: return "Invalid picture";
    default: return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number, std::string description) : number_(number), description_(std::move(description))
{}

RuntimeError::RuntimeError(int number) : number_(number), description_(errorDescription(number)) {}

void raiseError(int number) { throw RuntimeError(number); }
void raiseError(int number, const std::string& description) { throw RuntimeError(number, description); }
void raiseResourceNotFound(int id)
{
    throw RuntimeError(kErrResourceNotFound, "Resource with identifier '" + std::to_string(id) + "' not found");
}

int16_t ck16(long long v)
{
    if (v < -32768 || v > 32767) raiseError(kErrOverflow);
    return static_cast<int16_t>(v);
}

int32_t ck32(long long v)
{
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) raiseError(kErrOverflow);
    return static_cast<int32_t>(v);
}

double roundHalfEven(double v)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even
    // unless someone changed it; compute it explicitly so that nothing can.
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5) return f + 1.0;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

int16_t CInt(double v)
{
    if (!std::isfinite(v)) raiseError(kErrOverflow);
    double r = roundHalfEven(v);
    if (r < -32768.0 || r > 32767.0) raiseError(kErrOverflow);
    return static_cast<int16_t>(r);
}

int32_t CLng(double v)
{
    if (!std::isfinite(v)) raiseError(kErrOverflow);
    double r = roundHalfEven(v);
    if (r < -2147483648.0 || r > 2147483647.0) raiseError(kErrOverflow);
    return static_cast<int32_t>(r);
}

double Int(double v) { return std::floor(v); }

long long intDiv(long long a, long long b)
{
    if (b == 0) raiseError(kErrDivisionByZero);
    return a / b;
}

double parseNumber(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    if (b == e || e - b > 64) raiseError(kErrTypeMismatch);
    std::string s;
    s.reserve(e - b);
    bool sawDigit = false, sawSep = false, sawExp = false;
    for (size_t i = b; i < e; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            sawDigit = true;
            s += c;
        } else if ((c == '.' || c == ',') && !sawSep && !sawExp) {
            sawSep = true;
            s += '.';
        } else if ((c == 'e' || c == 'E') && sawDigit && !sawExp) {
            sawExp = true;
            s += 'e';
            if (i + 1 < e && (text[i + 1] == '+' || text[i + 1] == '-')) s += text[++i];
            if (i + 1 >= e) raiseError(kErrTypeMismatch);
        } else if ((c == '+' || c == '-') && i == b) {
            s += c;
        } else {
            raiseError(kErrTypeMismatch);
        }
    }
    if (!sawDigit) raiseError(kErrTypeMismatch);
    // strtod is locale-dependent for its decimal point; the text now uses '.'
    // and we parse it by hand-composed C locale rules via strtod on "C" text.
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0') {
        // A locale whose decimal point is ',' makes strtod stop at '.'.
        for (auto& ch : s)
            if (ch == '.') ch = ',';
        v = std::strtod(s.c_str(), &end);
        if (*end != '\0') raiseError(kErrTypeMismatch);
    }
    if (!std::isfinite(v)) raiseError(kErrOverflow);
    return v;
}

namespace {
std::string shortest(double v, int maxDigits, char sep)
{
    char buf[64];
    for (int p = 1; p <= maxDigits; ++p) {
        std::snprintf(buf, sizeof buf, "%.*g", p, v);
        if (maxDigits <= 9 ? static_cast<float>(std::strtod(buf, nullptr)) == static_cast<float>(v)
                           : std::strtod(buf, nullptr) == v)
            break;
    }
    std::string s = buf;
    // %g may use the locale's decimal point; normalise to the requested one.
    for (auto& c : s)
        if (c == '.' || c == ',') c = sep;
    // Expand exponent forms for the usual magnitudes so the text reads as a plain number.
    if (s.find('e') != std::string::npos && std::fabs(v) >= 1e-6 && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.10f", v);
        s = buf;
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && (s.back() == '.' || s.back() == ',')) s.pop_back();
        for (auto& c : s)
            if (c == '.' || c == ',') c = sep;
    }
    return s;
}
} // namespace

std::string formatSingle(float v, char decimalSeparator) { return shortest(v, 7, decimalSeparator); }
std::string formatDouble(double v, char decimalSeparator) { return shortest(v, 15, decimalSeparator); }

} // namespace syl
