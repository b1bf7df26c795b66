#pragma once
// The editor layer's side of the delegate's GraphicsBinding: how the editor
// delegate of the core reaches a Graphics it cannot see, and where the
// platform's graphics maker is installed.
#include <functional>

#include "core/graphics_editor_delegate.h"

// Makes the platform's Graphics (a window with a drawing back end) for a
// delegate: width x height units, fps frames per second, draw scale scale.
using PlatformGraphicsFactory = std::function<Graphics*(GraphicsEditorDelegate& delegate, int width,
                                                        int height, int fps, float scale)>;

// [main] Installs the maker (null: none). The platform layer, or a test,
// installs one before an editor opens.
void SetPlatformGraphicsFactory(PlatformGraphicsFactory factory);
// [ui] A Graphics from the installed maker; null when none is installed.
Graphics* MakePlatformGraphics(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale);

// [any] The process's one binding; it keeps no state.
GraphicsBinding& EditorGraphicsBinding();
