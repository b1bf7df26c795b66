// The renderer's GL passes: each recorded call drawn with the stencil and blend
// state its kind needs.
#include <epoxy/gl.h>

#include <algorithm>

#include "editor/drawing/renderer.h"

namespace drawing {

namespace {

// The cheapest program, for passes that only touch the stencil.
const PaintUniforms kStencilOnly{};

}  // namespace

void Renderer::Render() {
    const unsigned atlas = mFonts.Upload();
    glViewport(0, 0, GLsizei(mViewWidth), GLsizei(mViewHeight));
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFF);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, atlas);
    glActiveTexture(GL_TEXTURE0);

    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
    const std::size_t bytes = mVertices.size() * sizeof(Vertex);
    if (bytes > mVertexBufferBytes) {
        mVertexBufferBytes = std::max(bytes, mVertexBufferBytes * 2);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(mVertexBufferBytes), nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), mVertices.data());
    glEnableVertexAttribArray(kPositionAttribute);
    glEnableVertexAttribArray(kParameterAttribute);
    glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(kParameterAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
    mProgram.Use(mViewWidth, mViewHeight, float(mFonts.Width()), float(mFonts.Height()));

    for (const Call& call : mCalls) {
        if (call.scissor) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(call.scissorBox[0], call.scissorBox[1], call.scissorBox[2],
                      call.scissorBox[3]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
        glBlendFunc(call.sourceFactor, call.destinationFactor);
        glBindTexture(GL_TEXTURE_2D, call.paint.texture);

        switch (call.kind) {
            case CallKind::kFill:
                if (call.rectangle) {
                    mProgram.SetPaint(call.paint, Coverage::kRectangle);
                    glDrawArrays(GL_TRIANGLES, call.first, call.count);
                    break;
                }
                if (call.convex) {
                    // One convex loop: its fan is the inside, its outer fringes the edge.
                    mProgram.SetPaint(call.paint, Coverage::kFull);
                    glDrawArrays(GL_TRIANGLES, call.first, call.count);
                    if (call.fringeCount > 0) {
                        mProgram.SetPaint(call.paint, Coverage::kEdgeFringe);
                        glDrawArrays(GL_TRIANGLES, call.fringeFirst, call.fringeCount);
                    }
                    break;
                }
                // Winding numbers into the low seven stencil bits.
                glEnable(GL_STENCIL_TEST);
                glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                glStencilMask(0x7F);
                glStencilFunc(GL_ALWAYS, 0, 0xFF);
                glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_KEEP, GL_INCR_WRAP);
                glStencilOpSeparate(GL_BACK, GL_KEEP, GL_KEEP, GL_DECR_WRAP);
                mProgram.SetPaint(kStencilOnly, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                if (call.fringeCount > 0) {
                    // Fringes only on outside pixels, each pixel once (marked in bit 7).
                    glStencilMask(0x80);
                    glStencilFunc(GL_EQUAL, 0, 0xFF);
                    glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
                    mProgram.SetPaint(call.paint, Coverage::kEdgeFringe);
                    glDrawArrays(GL_TRIANGLES, call.fringeFirst, call.fringeCount);
                }
                // Cover the inside and clear the stencil everywhere under the cover.
                glStencilMask(0xFF);
                glStencilFunc(GL_NOTEQUAL, 0, 0x7F);
                glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
                mProgram.SetPaint(call.paint, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.coverFirst, 6);
                glDisable(GL_STENCIL_TEST);
                break;
            case CallKind::kStroke:
                // Fully covered cores first, then the fringes, each pixel once.
                glEnable(GL_STENCIL_TEST);
                glStencilMask(0xFF);
                glStencilFunc(GL_EQUAL, 0, 0xFF);
                glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
                mProgram.SetPaint(call.paint, Coverage::kStrokeCore);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                mProgram.SetPaint(call.paint, Coverage::kStroke);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                glStencilFunc(GL_ALWAYS, 0, 0xFF);
                glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
                mProgram.SetPaint(kStencilOnly, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.coverFirst, 6);
                glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                glDisable(GL_STENCIL_TEST);
                break;
            case CallKind::kText:
                mProgram.SetPaint(call.paint, Coverage::kGlyph);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                break;
        }
    }

    glDisableVertexAttribArray(kPositionAttribute);
    glDisableVertexAttribArray(kParameterAttribute);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glUseProgram(0);
}

}  // namespace drawing
