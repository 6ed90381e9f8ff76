#include "runtime/command_line.h"

#include <cctype>
#include <numeric>

bool readCommandLine(int argc, char** argv, const std::vector<KnownOption>& known, std::vector<GivenOption>& given,
                     std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "-h")
            name = "--help";
        const KnownOption* match = nullptr;
        for (const KnownOption& option : known)
            match = name == option.name ? &option : match;
        if (!match) {
            error = "unknown argument '" + name + "' (see --help)";
            return false;
        }
        bool repeated = false;
        for (const GivenOption& previous : given)
            repeated = repeated || previous.name == name;
        if (repeated && name == "--help")
            continue;
        if (repeated) {
            error = name + " given twice";
            return false;
        }
        if (!match->takesValue) {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            given.push_back({name, ""});
            continue;
        }
        if (!hasValue && i + 1 < argc) {
            value = argv[++i];
            hasValue = true;
        }
        if (!hasValue || value.empty() || value.rfind("--", 0) == 0) {
            error = name + " needs a value";
            return false;
        }
        given.push_back({name, value});
    }
    return true;
}

bool parseWholeNumber(const std::string& text, unsigned long long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + static_cast<unsigned long long>(c - '0');
    }
    return true;
}

bool parseSize(const std::string& text, unsigned minWidth, unsigned minHeight, unsigned maxWidth, unsigned maxHeight,
               unsigned& width, unsigned& height)
{
    const std::size_t cross = text.find('x');
    unsigned long long across = 0;
    unsigned long long down = 0;
    if (cross == std::string::npos || !parseWholeNumber(text.substr(0, cross), across) ||
        !parseWholeNumber(text.substr(cross + 1), down) || across < minWidth || across > maxWidth ||
        down < minHeight || down > maxHeight)
        return false;
    width = unsigned(across);
    height = unsigned(down);
    return true;
}

namespace {

bool parseDecimal(const std::string& text, Rational& value)
{
    std::uint64_t num = 0;
    std::uint64_t den = 1;
    std::size_t digits = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)) || ++digits > 12)
            return false;
        num = num * 10 + static_cast<std::uint64_t>(c - '0');
        if (point)
            den *= 10;
    }
    if (digits == 0)
        return false;
    value = {num, den};
    return true;
}

}  // namespace

bool parseRational(const std::string& text, Rational& value)
{
    const std::size_t slash = text.find('/');
    Rational result;
    if (slash == std::string::npos) {
        if (!parseDecimal(text, result))
            return false;
    } else {
        unsigned long long num = 0;
        unsigned long long den = 0;
        if (!parseWholeNumber(text.substr(0, slash), num) || !parseWholeNumber(text.substr(slash + 1), den) ||
            den == 0)
            return false;
        result = {num, den};
    }
    const std::uint64_t divisor = std::gcd(result.num, result.den);
    value = {result.num / divisor, result.den / divisor};
    return true;
}
