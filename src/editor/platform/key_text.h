#pragma once
// The text of a key as the editor's KeyStroke carries it: UTF-8, at most one
// character. XLookupString gives Latin-1 bytes, so the character is taken
// from its one byte, or from the keysym where the key lies beyond Latin-1.
#include <cstdint>

// [any] out: the key's character as UTF-8, NUL-terminated; empty when the key
// has none (a function key, a dead key, a composed sequence of several bytes).
// keysym: the key's keysym; latin1, length: XLookupString's bytes.
void KeyText(uint32_t keysym, const char* latin1, int length, char (&out)[5]);
