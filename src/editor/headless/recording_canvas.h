#pragma once
// A canvas that draws nothing and writes down everything it is
// asked to draw: each call with its arguments, the clip in force and the
// blend. Tests read the log to see what a user would see.
#include <string>
#include <vector>

#include "editor/canvas.h"

// One drawing call as the back end received it.
struct DrawCall {
    enum Kind {
        kBeginFrame,
        kEndFrame,
        kBitmap,
        kTriangle,
        kCircle,
        kText,
        kShadow,
        kPathFill,
        kPathStroke,
    };
    Kind kind = kBitmap;
    std::string name;  // bitmap: its resource name; text: the text
    // [ui]
    Bounds dest;   // bitmap, text, shadow: the destination (shadow: the inner rectangle)
    int srcX = 0;  // bitmap: source offset in graphics units
    int srcY = 0;
    Color color;
    BlendStyle blend;           // the blend passed, or normal and opaque for none
    Bounds clip;                // the clip in force
    std::vector<float> points;  // triangle: x1 y1 x2 y2 x3 y3; circle: cx cy r; stroke: width
};

class RecordingCanvas : public Canvas {
public:
    // [ui] The calls since the last ClearLog.
    const std::vector<DrawCall>& Log() const { return mLog; }
    // [ui]
    void ClearLog() { mLog.clear(); }
    // [ui] The bitmap calls drawing the strip named name, in order.
    std::vector<DrawCall> BitmapCalls(const std::string& name) const;
    // [ui] Back-end images alive now.
    int LiveImages() const { return mLiveImages; }

    // [ui]
    void BeginFrame() override;
    // [ui]
    void EndFrame() override;
    // [ui]
    void DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                    const BlendStyle* blend) override;
    // [ui]
    void FillTriangle(const Color& color, float x1, float y1, float x2, float y2, float x3,
                      float y3, const BlendStyle* blend) override;
    // [ui]
    void FillCircle(const Color& color, float cx, float cy, float r,
                    const BlendStyle* blend) override;
    // [ui]
    void DrawText(const TextStyle& style, const char* text, const Bounds& area,
                  const BlendStyle* blend) override;
    // [ui]
    void DrawFastDropShadow(const Bounds& inner, const Bounds& outer, float offset, float roundness,
                            float blur, const BlendStyle* blend) override;
    // [ui]
    void PathFill(const Color& color, const BlendStyle* blend) override;
    // [ui]
    void PathStroke(const Color& color, float width, const BlendStyle* blend) override;
    // [ui]
    int CreateImage(const DecodedPicture& picture) override;
    // [ui]
    void FreeImage(int image) override;

private:
    DrawCall& Record(DrawCall::Kind kind, const BlendStyle* blend);

    std::vector<DrawCall> mLog;
    int mNextImage = 0;
    int mLiveImages = 0;
};
