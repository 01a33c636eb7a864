// Implements linux_gl_driver.h by pinning the driver modules already
// loaded. Relies on: Mesa's drivers being modules named *_dri.so or
// libgallium*.
#include "host/linux_gl_driver.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace {
int PinDriverModule(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium"))) {
        // RTLD_NOLOAD: only modules already loaded; the handle is kept on purpose.
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}
}  // namespace

void KeepGLDriverLoaded() { dl_iterate_phdr(PinDriverModule, nullptr); }
