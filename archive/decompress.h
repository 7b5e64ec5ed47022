// The FA2 block decoder.
#pragma once

#include "platform/win32.h"

// Decodes the block at source (sourceLength bytes available) into
// destination (room for capacity bytes). Returns 1 and the decoded length in
// *produced when the end marker is reached; 0 when the output would pass the
// capacity, the block would be read past its end, or a match reaches before
// the start of the output. Never reads or writes out of those bounds, reads
// the block only up to its end marker and writes nothing past the decoded
// bytes.
int DecompressBlock(BYTE* destination, DWORD capacity, const BYTE* source, DWORD sourceLength,
                    DWORD* produced);
