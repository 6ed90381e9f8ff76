// The capture's command line, read as the demo's is: the input's NUL-separated words are its arguments.
#include <string>
#include <vector>

#include "capture.h"
#include "runtime/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::vector<std::string> words{"nerethval-capture"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += char(data[i]);
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (std::string& each : words)
        argv.push_back(each.data());
    argv.push_back(nullptr);
    Options options;
    std::string error;
    parseOptions(int(words.size()), argv.data(), options, error);
    unsigned width = 0, height = 0;
    Rational rational;
    parseSize(word, 1280, 720, 3840, 2160, width, height);
    parseRational(word, rational);
    return 0;
}
