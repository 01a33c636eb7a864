#include "render/screen_copy.h"

#include "common/gl.h"
#include "platform/gl_window.h"
#include "render/frame.h"
#include "video/texture_upload.h"

namespace {

void AllocateStorage(int32_t width, int32_t height) {
    glTexImage2D(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
}

// Copies the whole viewport of the back buffer into the texture in slot,
// making the texture on first use.
void CopyScreenToTexture(int32_t& slot, CopySize& size) {
    const int32_t w = renderWindow.viewportWidth;
    const int32_t h = renderWindow.viewportHeight;
    if (slot == -1) {
        slot = nextTextureName;
        nextTextureName += 1;
        glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(slot));
        AllocateStorage(w, h);
        size = CopySize{w, h};
        glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_RECTANGLE);
    glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(slot));
    // A window that was resized (an XScreenSaver window follows its
    // parent's size) would no longer fit the copy, and OpenGL would refuse
    // it and keep the old picture for ever: give the same texture new
    // storage of the new size instead.
    if (size.width != w || size.height != h) {
        AllocateStorage(w, h);
        size = CopySize{w, h};
    }
    glCopyTexSubImage2D(GL_TEXTURE_RECTANGLE, 0, 0, 0, 0, 0, w, h);
    glDisable(GL_TEXTURE_RECTANGLE);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

void CaptureFeedback() { CopyScreenToTexture(screenCopies.feedbackTexture, screenCopies.feedbackSize); }

void CaptureBlurSource() { CopyScreenToTexture(screenCopies.blurTexture, screenCopies.blurSize); }

namespace {

// The pixels of the layer inset by mx and my whose samples can reach a lit
// texel of litSource.
PixelBox BlurLayerPixels(const PixelBox& litSource, float w, float h, float mx, float my) {
    const PixelSpan columns = SpanSampling(InsetAxisOf(w, mx), litSource.x0, litSource.x1);
    const PixelSpan rows = SpanSampling(InsetAxisOf(h, my), litSource.y0, litSource.y1);
    return PixelBox{columns.lo, rows.lo, columns.hi, rows.hi};
}

// Keeps drawing to pixels (the whole screen needs no scissor).
void ScissorTo(const PixelBox& pixels, const PixelBox& whole) {
    if (pixels == whole) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glScissor(pixels.x0, pixels.y0, pixels.x1 - pixels.x0 + 1, pixels.y1 - pixels.y0 + 1);
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace

void DrawRadialBlur() {
    DrawRadialBlur(WholeScreen(renderWindow.viewportWidth, renderWindow.viewportHeight));
}

void DrawRadialBlur(const PixelBox& litSource) {
    const float w = static_cast<float>(renderWindow.viewportWidth);
    const float h = static_cast<float>(renderWindow.viewportHeight);
    const PixelBox whole = WholeScreen(renderWindow.viewportWidth, renderWindow.viewportHeight);

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_RECTANGLE);
    glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(blurTexture));
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    BeginOrtho();

    // Each layer cuts 10 more texels from the left and right, and the same
    // share of the height from top and bottom: equal enlargement both ways.
    const float sy = (h / w) * 10.0f;
    float mx = w * 0.0015625f * 10.0f;
    float my = h * 0.0020833334f * sy;
    float a = 0.2f;
    // The plain way is every layer over the whole screen in one block. With
    // the savings a layer keeps to the pixels it can change, a new block
    // begins where the scissor changes (it may not change inside one), and a
    // layer with no pixel to change is left out.
    PixelBox current = whole;
    bool open = false;
    frameSavingsReport.blurPixels = 0;
    for (int layer = 0; layer < 30; ++layer) {
        const PixelBox pixels = frameSavings ? BlurLayerPixels(litSource, w, h, mx, my) : whole;
        if (!pixels.Empty()) {
            if (!open || pixels != current) {
                if (open) glEnd();
                if (pixels != current) ScissorTo(pixels, whole);
                current = pixels;
                glBegin(GL_QUADS);
                open = true;
            }
            glColor4f(1.0f, 1.0f, 1.0f, a);
            EmitInsetScreenQuad(w, h, mx, my);
            frameSavingsReport.blurPixels += pixels.Area();
        }
        mx += 10.0f;
        my += sy;
        a -= 0.006666667f;
    }
    if (open) glEnd();
    if (current != whole) ScissorTo(whole, whole);

    EndOrtho();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_RECTANGLE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(baseBrightness, baseBrightness, baseBrightness, 1.0f);
}

void EmitInsetScreenQuad(float w, float h, float mx, float my) {
    glTexCoord2f(mx, h - my);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(mx, my);
    glVertex2f(0.0f, h);
    glTexCoord2f(w - mx, my);
    glVertex2f(w, h);
    glTexCoord2f(w - mx, h - my);
    glVertex2f(w, 0.0f);
}
