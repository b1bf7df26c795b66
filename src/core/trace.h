#pragma once
// The framework's trace sink. Trace points call Trace with a printf-style
// format so the compiler checks their arguments; the sink discards every line
// without formatting it, so a trace point costs nothing at run time and is
// safe on the audio thread.

// [any] Discards the line; never allocates, locks or formats.
__attribute__((format(printf, 1, 2))) inline void Trace(const char* /*format*/, ...) {}
