#include "render/text_overlay.h"

#include "common/gl.h"
#include "render/frame.h"

#include <string>

namespace {
// Glyphs as raster bitmaps: they take the colour current at glRasterPos and
// are coloured by nothing else while texturing, depth test, blending and the
// alpha test are off.
void DrawLine(const std::string& text, int x, int baseline, float grey) {
    glColor3f(grey, grey, grey);
    glRasterPos2i(x, baseline);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
}
}  // namespace

void DrawOverlayText(const OverlayFont& font, const char* const* lines, int count) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIST_BIT);
    const GLenum offDuringText[] = {GL_TEXTURE_2D, GL_TEXTURE_RECTANGLE, GL_DEPTH_TEST, GL_BLEND,
                                    GL_ALPHA_TEST, GL_LIGHTING, GL_FOG};
    for (GLenum capability : offDuringText) glDisable(capability);
    BeginOrtho();
    glListBase(font.listBase);
    const int lineHeight = font.ascent + font.descent;
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (const char* c = lines[i]; *c; ++c)
            if (static_cast<unsigned char>(*c) < kOverlayFontGlyphs) text += *c;
        // Pixel rows grow downward here; the last line sits on the margin.
        const int baseline = renderWindow.viewportHeight - kOverlayMargin - font.descent - (count - 1 - i) * lineHeight;
        DrawLine(text, kOverlayMargin + 1, baseline + 1, 0.0f);
        DrawLine(text, kOverlayMargin, baseline, 1.0f);
    }
    EndOrtho();
    glPopAttrib();
}
