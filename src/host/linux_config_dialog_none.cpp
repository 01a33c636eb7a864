// The Linux build without the configuration dialog: it says so and answers
// -1, as a dialog that cannot be shown.
#include <cstdio>

#include "host/config_dialog.h"

int RunConfigDialogBox(NativeWindow owner) {
    std::fprintf(stderr, "lumox: this build has no configuration dialog (owner 0x%llx)\n",
                 static_cast<unsigned long long>(owner));
    return -1;
}
