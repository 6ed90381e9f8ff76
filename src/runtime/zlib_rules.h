#pragma once
// libdeflate takes some streams that zlib, the reference inflater, refuses as damaged: the
// reserved length symbols 286 and 287 and distance symbols 30 and 31 of the fixed code, codes whose
// headers declare those symbols, the unassigned codeword of a one-codeword code, a repeat that runs
// past the code lengths. So after libdeflate has inflated a stream the PNG reader walks it again
// here, symbol by symbol without writing anything, and refuses what zlib would. Where zlib's rules
// are fiddly (an empty code-length code; a distance beyond the window the stream's header gives,
// which zlib refuses only once those bytes have left its window) it refuses a little more; libpng,
// on zlib, then decides.
#include <cstddef>

// Whether zlib inflates this zlib stream, judged from its structure; the caller has already
// checked its checksum and that it makes exactly the bytes it should.
bool inflatesAsZlibDoes(const unsigned char* bytes, std::size_t length);
