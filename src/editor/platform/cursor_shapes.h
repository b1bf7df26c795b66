#pragma once
// The editor's cursor shapes as glyphs of the X cursor font.

// [any] The cursor-font glyph for shape (a PointerShape); the arrow for any
// value outside the table.
unsigned CursorFontGlyph(int shape);
