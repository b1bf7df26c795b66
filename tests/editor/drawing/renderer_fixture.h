#pragma once
// A renderer drawing into its own off-screen frame buffer on the shared test
// context, with helpers to draw one frame and read it back.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "editor/drawing/renderer.h"
#include "offscreen_gl.h"

class RendererTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    void SetUp() override {
        ASSERT_NE(test_support::OffscreenGl::Current(), nullptr)
            << test_support::OffscreenGl::Failure();
        const char* error = nullptr;
        targetOwner = drawing::Renderer::Create(drawing::Renderer::kAntialias, &error);
        ASSERT_NE(targetOwner, nullptr) << error;
        target = targetOwner->CreateFramebuffer(kWidth, kHeight);
        ASSERT_NE(target, 0);
        UseRenderer({drawing::Renderer::kAntialias, 0});
    }

    // Replaces the renderer under test with one made with these options (the target
    // stays, so it may be larger than the new renderer's textures).
    void UseRenderer(const drawing::Renderer::Options& options) {
        renderer.reset();
        const char* error = nullptr;
        renderer = drawing::Renderer::Create(options, &error);
        ASSERT_NE(renderer, nullptr) << error;
        Clear(0.0f, 0.0f, 0.0f, 0.0f);
    }

    void TearDown() override {
        // Every GL call the renderer made was valid.
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        renderer.reset();
        targetOwner.reset();
    }

    // The GL frame buffer object drawn into.
    unsigned TargetObject() const { return targetOwner->FramebufferObject(target); }

    // Clears the target to a premultiplied colour.
    void Clear(float r, float g, float b, float a) {
        glBindFramebuffer(GL_FRAMEBUFFER, TargetObject());
        glClearColor(r, g, b, a);
        glClearStencil(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }

    // Draws one frame of the target's size at `ratio` pixels per unit and reads it back.
    template <typename Draw>
    test_support::Picture Frame(Draw draw, float ratio = 1.0f) {
        glBindFramebuffer(GL_FRAMEBUFFER, TargetObject());
        renderer->BeginFrame(kWidth / ratio, kHeight / ratio, ratio);
        draw(*renderer);
        renderer->EndFrame();
        return test_support::ReadPicture(kWidth, kHeight);
    }

    std::unique_ptr<drawing::Renderer> targetOwner;  // of the target
    int target = 0;
    std::unique_ptr<drawing::Renderer> renderer;
};

inline constexpr drawing::Color kWhite{1.0f, 1.0f, 1.0f, 1.0f};
