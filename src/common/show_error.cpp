// ShowError: the text is formatted here, and shown by the platform
// (DisplayErrorText, error_display.h).
#include "platform/error_display.h"
#include "platform/gl_window.h"

void ShowError(const char* format, ...) {
    char text[kErrorTextSize];
    va_list args;
    va_start(args, format);
    FormatErrorText(text, format, args);
    va_end(args);
    DisplayErrorText(text);
}
