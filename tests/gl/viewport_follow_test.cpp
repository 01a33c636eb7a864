// A resized window changes the viewport; the render passes hear of it only
// when its size really changed and a context exists.
#include <gtest/gtest.h>

#include "common/gl.h"
#include "host/linux_gl_backend.h"

namespace {

TEST(ViewportFollow, OnlyRealSizeChangesAreAnnounced) {
    ResetRenderWindowState();
    SelectGLBackend(LinuxGLBackend::Egl);
    ASSERT_EQ(CreateGLWindow(0, 64, 48, 32, 0), 1);
    EXPECT_FALSE(FollowWindowSize(64, 48));  // the size it opened with
    EXPECT_TRUE(FollowWindowSize(100, 50));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 50);
    EXPECT_EQ(renderWindow.viewportWidth, 100);
    EXPECT_TRUE(FollowWindowSize(100, 0));  // a collapsed window: 100 x 1
    EXPECT_EQ(renderWindow.viewportHeight, 1);
    EXPECT_FALSE(FollowWindowSize(100, -3));  // still 100 x 1
    DestroyGLWindow();
    // A window that outlives the context changes nothing to make again.
    EXPECT_FALSE(FollowWindowSize(300, 200));
}

}  // namespace
