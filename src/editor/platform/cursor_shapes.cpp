#include "editor/platform/cursor_shapes.h"

#include <X11/cursorfont.h>

#include <iterator>

unsigned CursorFontGlyph(int shape) {
    // In PointerShape order: arrow, I-beam, wait, cross, up arrow, NW-SE, NE-SW,
    // W-E, N-S, move, not allowed, hand, app starting, help.
    static const unsigned kGlyphs[] = {XC_left_ptr,
                                       XC_xterm,
                                       XC_watch,
                                       XC_crosshair,
                                       XC_sb_up_arrow,
                                       XC_bottom_right_corner,
                                       XC_bottom_left_corner,
                                       XC_sb_h_double_arrow,
                                       XC_sb_v_double_arrow,
                                       XC_fleur,
                                       XC_X_cursor,
                                       XC_hand2,
                                       XC_watch,
                                       XC_question_arrow};
    if (shape < 0 || shape >= static_cast<int>(std::size(kGlyphs))) return XC_left_ptr;
    return kGlyphs[shape];
}
