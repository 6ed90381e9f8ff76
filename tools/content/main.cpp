// make-content DATA_DIR FONT LICENCE: every content file of the demo, the same bytes on every run.
#include <filesystem>
#include <future>
#include <iostream>

#include "content.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: make-content DATA_DIR FONT_FILE FONT_LICENCE\n";
        return 2;
    }
    namespace fs = std::filesystem;
    const std::string dataDir = argv[1];
    fs::create_directories(dataDir);
    fs::copy_file(argv[2], fs::path(dataDir) / "Quillon8.ttf", fs::copy_options::overwrite_existing);
    fs::copy_file(argv[3], fs::path(dataDir) / "Quillon8-LICENCE.txt", fs::copy_options::overwrite_existing);
    std::cout << "make-content: Quillon8.ttf" << std::endl;

    // The music and the pictures share nothing: the music is made on a core of its own.
    std::future<void> soundtrack = std::async(std::launch::async, writeSoundtrack, dataDir);
    writeImages(dataDir, argv[2]);
    soundtrack.get();
    return 0;
}
