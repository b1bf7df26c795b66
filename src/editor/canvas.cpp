#include "editor/canvas.h"

#include <string>

void Canvas::DrawBitmap(const BitmapStrip&, const Bounds&, int, int, const BlendStyle*) {}
void Canvas::FillTriangle(const Color&, float, float, float, float, float, float,
                          const BlendStyle*) {}
void Canvas::FillCircle(const Color&, float, float, float, const BlendStyle*) {}

void Canvas::MeasureText(const TextStyle& style, const char* text, Bounds& area) {
    const std::size_t length = text == nullptr ? 0 : std::char_traits<char>::length(text);
    area = {0.0f, 0.0f, 0.5f * style.size * static_cast<float>(length), style.size};
}

void Canvas::DrawText(const TextStyle&, const char*, const Bounds&, const BlendStyle*) {}
void Canvas::DrawFastDropShadow(const Bounds&, const Bounds&, float, float, float,
                                const BlendStyle*) {}
void Canvas::PathMoveTo(float, float) {}
void Canvas::PathLineTo(float, float) {}
void Canvas::PathArc(float, float, float, float, float) {}
void Canvas::PathFill(const Color&, const BlendStyle*) {}
void Canvas::PathStroke(const Color&, float, const BlendStyle*) {}
void Canvas::SetClipRegion(const Bounds&) {}

int Canvas::CreateImage(const DecodedPicture&) {
    return ++mNextImage;
}

void Canvas::FreeImage(int) {}

bool Canvas::LoadFont(const std::string&, const unsigned char*, std::size_t, const FontTables&) {
    return true;
}
