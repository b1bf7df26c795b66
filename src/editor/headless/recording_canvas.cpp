#include "editor/headless/recording_canvas.h"

#include "editor/graphics.h"
#include "editor/picture_decoder.h"

std::vector<DrawCall> RecordingCanvas::BitmapCalls(const std::string& name) const {
    std::vector<DrawCall> calls;
    for (const DrawCall& call : mLog) {
        if (call.kind == DrawCall::kBitmap && call.name == name) calls.push_back(call);
    }
    return calls;
}

DrawCall& RecordingCanvas::Record(DrawCall::Kind kind, const BlendStyle* blend) {
    DrawCall call;
    call.kind = kind;
    if (blend != nullptr) call.blend = *blend;
    if (Scene() != nullptr) call.clip = Scene()->CurrentClip();
    mLog.push_back(call);
    return mLog.back();
}

void RecordingCanvas::BeginFrame() {
    Record(DrawCall::kBeginFrame, nullptr);
}

void RecordingCanvas::EndFrame() {
    Record(DrawCall::kEndFrame, nullptr);
}

void RecordingCanvas::DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                                 const BlendStyle* blend) {
    DrawCall& call = Record(DrawCall::kBitmap, blend);
    call.name = strip.name;
    call.dest = dest;
    call.srcX = srcX;
    call.srcY = srcY;
}

void RecordingCanvas::FillTriangle(const Color& color, float x1, float y1, float x2, float y2,
                                   float x3, float y3, const BlendStyle* blend) {
    DrawCall& call = Record(DrawCall::kTriangle, blend);
    call.color = color;
    call.points = {x1, y1, x2, y2, x3, y3};
}

void RecordingCanvas::FillCircle(const Color& color, float cx, float cy, float r,
                                 const BlendStyle* blend) {
    DrawCall& call = Record(DrawCall::kCircle, blend);
    call.color = color;
    call.points = {cx, cy, r};
}

void RecordingCanvas::DrawText(const TextStyle& style, const char* text, const Bounds& area,
                               const BlendStyle* blend) {
    DrawCall& call = Record(DrawCall::kText, blend);
    call.name = text == nullptr ? "" : text;
    call.dest = area;
    call.color = style.foreground;
}

void RecordingCanvas::DrawFastDropShadow(const Bounds& inner, const Bounds&, float, float, float,
                                         const BlendStyle* blend) {
    Record(DrawCall::kShadow, blend).dest = inner;
}

void RecordingCanvas::PathFill(const Color& color, const BlendStyle* blend) {
    Record(DrawCall::kPathFill, blend).color = color;
}

void RecordingCanvas::PathStroke(const Color& color, float width, const BlendStyle* blend) {
    DrawCall& call = Record(DrawCall::kPathStroke, blend);
    call.color = color;
    call.points = {width};
}

int RecordingCanvas::CreateImage(const DecodedPicture&) {
    ++mLiveImages;
    return ++mNextImage;
}

void RecordingCanvas::FreeImage(int) {
    --mLiveImages;
}
