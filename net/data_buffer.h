// The framework's byte buffer: text in and out of bytes in the "utf8" and "ascii" encodings.
//
// Both encodings work on 16-bit code units one at a time. "ascii" writes each unit's low 8 bits
// and reads each byte as one unit. "utf8" writes a unit as one, two or three bytes (a surrogate
// pair becomes two three-byte sequences) and reads one-, two- and three-byte sequences back into
// one unit each, stopping at the first byte that does not start a valid sequence or at a
// sequence cut off by the end of the range. Ranges outside the buffer are clipped to it. Any other
// encoding name is a fatal error.
#pragma once

#include "net/socket.h"
#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Types

struct c_DataBuffer : KtDataBuffer {
    // A failed allocation is a fatal error.
    c_DataBuffer *m_new(int length);

    int p_Length() { return m_length; }

    // Writes `text` from `offset` and returns the number of bytes written. Writing stops at the
    // end of the buffer; a character whose bytes do not all fit is not written.
    int p_PokeString(int offset, const String &text, const String &encoding);
    // The text held by `count` bytes from `offset`.
    String p_PeekString(int offset, int count, const String &encoding);
    // Moves `count` bytes from `from` into `target` at `to` (the buffers may be the same and the
    // ranges may overlap).
    void p_CopyBytes(int from, c_DataBuffer *target, int to, int count);
};

// ---------------------------------------------------------------------------------------------
// Functions

// The number of bytes `text` takes in `encoding`.
int kt_databuffer_EncodedLength(const String &text, const String &encoding);
