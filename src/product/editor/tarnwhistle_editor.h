#pragma once
// Tarnwhistle's editor: a 248 x 662 bitmap panel with eight knobs, three
// switches, a value bubble and a corner handle that scales it between half
// and twice its size. The pictures come from the module's resource table
// (scale 2 only) or, without one, from files of the same names.
#include "core/graphics_editor_delegate.h"

struct EmbeddedResourceTable;

inline constexpr int kTarnwhistleEditorWidth = 248;
inline constexpr int kTarnwhistleEditorHeight = 662;
inline constexpr int kTarnwhistleEditorFps = 60;

// [main] Gives delegate the product's make-graphics and layout functions and
// the editor layer's binding.
void InstallTarnwhistleEditor(GraphicsEditorDelegate& delegate);

// [ui] The make-graphics function: the editor's scene at 248 x 662 units,
// 60 frames per second, draw scale 1, looking resources up in the product's
// table. The window that shows it is the adapter's (its editor-window handle).
Graphics* MakeTarnwhistleGraphics(GraphicsEditorDelegate& delegate);

// [ui] The layout function: corner handle, background, bubble, font and the
// eleven controls, on a graphics without controls.
void LayoutTarnwhistleEditor(Graphics* graphics);

// [any] The pictures and the font compiled into the module; null when the
// build carries none.
const EmbeddedResourceTable* TarnwhistleResourceTable();
