#pragma once
// Standard base64 (RFC 4648 alphabet, "=" padding) for preset blobs: the blob
// preset dump writes a chunk as text, and a preset made from a blob decodes it.
// Pure functions on caller-owned memory; they allocate only the output text.
#include <cstdint>
#include <string>

// [any] Encodes count bytes; the last group is padded to four characters with
// "=". A null or non-positive count gives the empty text.
std::string EncodeBase64(const uint8_t* bytes, int count);

// [any] Same, writing into out (replaced).
void EncodeBase64(const uint8_t* bytes, int count, std::string& out);

// [any] Decodes text into out, which the caller zeroes and which holds size
// bytes. Decoding stops at the first character outside the alphabet (such as
// "=" or the terminator) or once size bytes are written. Returns the number of
// bytes written. A null text writes nothing.
int DecodeBase64(const char* text, uint8_t* out, int size);
