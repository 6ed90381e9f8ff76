// make-timeline: writes the timeline (runtime/timeline.h) as JSON, for the Python tools and the
// script tests, which read the tempo, the orders and the file names from it rather than spell them.
//   make-timeline <timeline.json>
#include <fstream>
#include <iostream>

#include "runtime/timeline.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make-timeline <timeline.json>\n";
        return 2;
    }
    std::ofstream json(argv[1]);
    json.precision(17);
    json << "{\n"
         << "  \"sampleRate\": " << timelineSampleRate << ",\n"
         << "  \"rowSamples\": " << timelineRowSamples << ",\n"
         << "  \"orderRows\": " << timelineRows << ",\n"
         << "  \"orderSamples\": " << timelineOrderSamples << ",\n"
         << "  \"orderSeconds\": " << timelineOrderSeconds << ",\n"
         << "  \"endOrder\": " << endOrder << ",\n"
         << "  \"soundtrackOrder\": " << soundtrackOrder << ",\n"
         << "  \"orders\": [";
    for (unsigned order = 0; order < orderCount; ++order)
        json << (order ? ", " : "") << '"' << showingLabels[static_cast<int>(orderShows[order])] << '"';
    json << "],\n"
         << "  \"timelineModuleFile\": \"" << timelineModuleFile << "\",\n"
         << "  \"soundtrackFile\": \"" << soundtrackFile << "\",\n"
         << "  \"captionFontFile\": \"" << captionFontFile << "\"\n"
         << "}\n";
    return json.good() ? 0 : 1;
}
