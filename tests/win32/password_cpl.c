/* A stand-in for the Windows 95 family's PASSWORD.CPL, so that the saver's
 * password lock can run under Wine: VerifyScreenSavePwd answers what the
 * test set and counts its calls. */
#include <windows.h>

static BOOL answer = FALSE;
static int calls = 0;

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    (void)window;
    ++calls;
    return answer;
}

__declspec(dllexport) void WINAPI SetVerifierAnswer(BOOL value) { answer = value; }

__declspec(dllexport) int WINAPI VerifierCalls(void) { return calls; }
