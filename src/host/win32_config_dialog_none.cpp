// The Windows build without the configuration dialog: it answers as
// DialogBoxParamA does when the dialog template is missing, with -1. The
// note on stderr is seen only where the program was started from a console.
#include <cstdio>

#include "host/config_dialog.h"

int RunConfigDialogBox(NativeWindow owner) {
    std::fprintf(stderr, "lumox: this build has no configuration dialog (owner 0x%llx)\n",
                 static_cast<unsigned long long>(owner));
    return -1;
}
