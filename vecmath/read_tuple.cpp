// read_tuple.cpp: reading "(x, y, z)" and its kin back (read_tuple.h).
#include "read_tuple.h"

#include <cctype>
#include <istream>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace vecmath {
namespace detail {

namespace {

// A number's text is never longer than this: 17 significant digits, a sign, a point and
// an exponent come to 24 characters; longer text is refused rather than buffered.
const std::size_t kLongestNumber = 64;

// Skips whitespace, then takes the next character if it is `c`; false otherwise.
bool expect(std::istream& in, char c)
{
    in >> std::ws;
    if (in.peek() != std::char_traits<char>::to_int_type(c))
        return false;
    in.get();
    return true;
}

// "inf", "infinity" or "nan" (any case), after an optional sign already taken off.
bool special(const std::string& word, double& value)
{
    std::string lower;
    for (char c : word)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "inf" || lower == "infinity") {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (lower == "nan") {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    return false;
}

// Reads one number up to the next ',' or ')' (not taken) or whitespace.
bool readNumber(std::istream& in, double& value)
{
    in >> std::ws;
    std::string text;
    for (;;) {
        const int c = in.peek();
        if (c == std::char_traits<char>::eof() || c == ',' || c == ')'
            || std::isspace(static_cast<unsigned char>(c)) != 0)
            break;
        if (text.size() == kLongestNumber)
            return false;
        text += static_cast<char>(in.get());
    }
    if (text.empty())
        return false;
    const bool negative = text[0] == '-';
    const std::string unsigned_ = text[0] == '-' || text[0] == '+' ? text.substr(1) : text;
    if (special(unsigned_, value)) {
        if (negative)
            value = -value;
        return true;
    }
    // The classic locale reads "1.5e+300" whatever the program's own locale is, and
    // correctly rounded, so that 17 significant digits give every bit back.
    std::istringstream number(text);
    number.imbue(std::locale::classic());
    number >> value;
    return !number.fail() && number.peek() == std::char_traits<char>::eof();
}

} // namespace

bool readTuple(std::istream& in, double* out, int n)
{
    const std::istream::sentry ready(in); // skips leading whitespace
    bool ok = static_cast<bool>(ready) && expect(in, '(');
    for (int i = 0; ok && i < n; i++)
        ok = readNumber(in, out[i]) && expect(in, i + 1 < n ? ',' : ')');
    if (!ok)
        in.setstate(std::ios_base::failbit);
    return ok;
}

} // namespace detail
} // namespace vecmath
