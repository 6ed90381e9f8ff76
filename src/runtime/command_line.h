#pragma once
// The command-line conventions the demo and the capture share: "--name value" or "--name=value",
// flags alone, "-h" for "--help", each option at most once, and every mistake said in one line.
#include <string>
#include <vector>

#include "runtime/fixed_step.h"

struct KnownOption {
    const char* name;  // "--size"
    bool takesValue;
};

struct GivenOption {
    std::string name;
    std::string value;  // empty for a flag
};

// The options in the order given. False with a one-line message in error: an unknown argument, an
// option given twice, a value missing, or one given to a flag. "--help" may come more than once.
bool readCommandLine(int argc, char** argv, const std::vector<KnownOption>& known, std::vector<GivenOption>& given,
                     std::string& error);

// A whole number of digits alone, without sign or point; false past 12 digits.
bool parseWholeNumber(const std::string& text, unsigned long long& value);

// "WxH" in whole pixels, each side within its limits.
bool parseSize(const std::string& text, unsigned minWidth, unsigned minHeight, unsigned maxWidth, unsigned maxHeight,
               unsigned& width, unsigned& height);

// A rate or a time, exact and reduced: "30", "59.94", ".5" or "30000/1001"; false on anything
// else, and past 12 digits, which keeps every product of the fixed step inside 128 bits.
bool parseRational(const std::string& text, Rational& value);
