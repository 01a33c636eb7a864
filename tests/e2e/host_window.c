/* A window of another program for the saver to draw on, as the XScreenSaver
 * daemon or a previewing program makes it: prints its id (hexadecimal) and
 * then obeys lines on stdin, "size W H" and "destroy"; it ends at the end of
 * its input.
 * usage: host_window WIDTHxHEIGHT */
#include <X11/Xlib.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    unsigned width = 0, height = 0;
    if (argc != 2 || sscanf(argv[1], "%ux%u", &width, &height) != 2 || !width || !height) {
        fprintf(stderr, "usage: host_window WIDTHxHEIGHT\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "host_window: no display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10, width, height, 0,
                                        BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, window, "host window");
    XMapWindow(display, window);
    XSync(display, False);
    printf("0x%lx\n", window);
    fflush(stdout);
    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        if (sscanf(line, "size %u %u", &width, &height) == 2) {
            XResizeWindow(display, window, width, height);
        } else if (strncmp(line, "destroy", 7) == 0 && window) {
            XDestroyWindow(display, window);
            window = 0;
        }
        XSync(display, False);
        printf("ok\n");
        fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
