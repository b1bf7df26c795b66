#include "editor/drawing/framebuffer_store.h"

#include <epoxy/gl.h>

namespace drawing {

namespace {

void Release(unsigned object, unsigned stencil) {
    if (object) glDeleteFramebuffers(1, &object);
    if (stencil) glDeleteRenderbuffers(1, &stencil);
}

}  // namespace

FramebufferStore::~FramebufferStore() {
    for (const Entry& e : mEntries) {
        Release(e.object, e.stencil);
        mImages.Delete(e.image);
    }
}

int FramebufferStore::Create(int width, int height) {
    const int image = mImages.CreateRenderTarget(width, height);
    if (!image) return 0;
    GLint previousFramebuffer = 0, previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previousRenderbuffer);

    Entry entry;
    entry.image = image;
    glGenFramebuffers(1, &entry.object);
    glGenRenderbuffers(1, &entry.stencil);
    glBindFramebuffer(GL_FRAMEBUFFER, entry.object);
    glBindRenderbuffer(GL_RENDERBUFFER, entry.stencil);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           mImages.Texture(image), 0);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_STENCIL_INDEX8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              entry.stencil);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) {
        // Some drivers only offer stencil packed with depth.
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  entry.stencil);
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    if (complete) {
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previousFramebuffer));
    glBindRenderbuffer(GL_RENDERBUFFER, GLuint(previousRenderbuffer));
    if (!complete) {
        Release(entry.object, entry.stencil);
        mImages.Delete(image);
        return 0;
    }
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        if (!mEntries[i].object) {
            mEntries[i] = entry;
            return int(i) + 1;
        }
    }
    mEntries.push_back(entry);
    return int(mEntries.size());
}

const FramebufferStore::Entry* FramebufferStore::Find(int framebuffer) const {
    if (framebuffer <= 0 || framebuffer > int(mEntries.size())) return nullptr;
    const Entry& e = mEntries[std::size_t(framebuffer) - 1];
    return e.object ? &e : nullptr;
}

void FramebufferStore::Delete(int framebuffer) {
    if (!Find(framebuffer)) return;
    Entry& e = mEntries[std::size_t(framebuffer) - 1];
    Release(e.object, e.stencil);
    mImages.Delete(e.image);
    e = Entry{};
}

int FramebufferStore::Image(int framebuffer) const {
    const Entry* e = Find(framebuffer);
    return e ? e->image : 0;
}

unsigned FramebufferStore::Object(int framebuffer) const {
    const Entry* e = Find(framebuffer);
    return e ? e->object : 0;
}

}  // namespace drawing
