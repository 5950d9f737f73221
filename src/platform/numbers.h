// Number rules of the system: 16- and 32-bit integers that fail on overflow
// instead of wrapping, rounding halves to the even neighbour, integer
// division truncating toward zero, booleans as -1 and 0, colour components
// clamped to 255. Every failure is a RuntimeError with a BASIC error number.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace syl {

// Classic BASIC run-time error numbers used by the system.
enum ErrNo : int {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrSubscript = 9,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
    kErrFileNotFound = 53,
    kErrFileAccess = 75,
    kErrPathNotFound = 76,
    kErrResourceNotFound = 326,
    kErrInvalidPropertyValue = 380,
    kErrInvalidPicture = 481,
};

// The standard description of an error number ("Overflow" for 6).
std::string errorDescription(int number);

// A run-time failure: number and description. The line of the failing
// statement is added by the procedure's handler, which knows its step.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, std::string description);
    explicit RuntimeError(int number);
    int number() const { return number_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    int number_;
    std::string description_;
};

[[noreturn]] void raiseError(int number);
[[noreturn]] void raiseError(int number, const std::string& description);
// Error 326 for a resource number that names nothing.
[[noreturn]] void raiseResourceNotFound(int id);

// Conversion of an integer result to 16 or 32 bits; out of range is error 6.
int16_t ck16(long long v);
int32_t ck32(long long v);

// Rounding to the nearest integer, halves to the even neighbour.
double roundHalfEven(double v);
// CInt and CLng: round half to even, then overflow-checked conversion.
int16_t CInt(double v);
int32_t CLng(double v);
// Int: the floor, as a double (no range check).
double Int(double v);

// The \ operator: truncating division; division by zero is error 11.
long long intDiv(long long a, long long b);

// Booleans as the system stores them: true is -1, false is 0.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
constexpr int16_t vbBool(bool b) { return b ? kTrue : kFalse; }

// A colour as 0x00RRGGBB; components above 255 count as 255, below 0 as 0.
using Color = uint32_t;
constexpr int clampComponent(long long c) { return c < 0 ? 0 : (c > 255 ? 255 : static_cast<int>(c)); }
constexpr Color RGB(long long r, long long g, long long b)
{
    return (static_cast<Color>(clampComponent(r)) << 16) | (static_cast<Color>(clampComponent(g)) << 8) |
           static_cast<Color>(clampComponent(b));
}
constexpr int redOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int greenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Color c) { return static_cast<int>(c & 0xFF); }

// Text to number as the settings store reads it: a decimal number with "."
// or "," as the decimal separator, optional sign and exponent, surrounding
// blanks allowed. Anything else is error 13 (Type mismatch).
double parseNumber(const std::string& text);
// Number to text as BASIC prints it: at most 7 significant digits for a
// single, 15 for a double, the shortest form that reads back the same,
// with the given decimal separator ("0.53", "6", "6.08").
std::string formatSingle(float v, char decimalSeparator);
std::string formatDouble(double v, char decimalSeparator);

} // namespace syl
