// Implements linux/gl_driver.h by pinning the driver modules already
// loaded. Relies on: Mesa's drivers being modules named *_dri.so or
// libgallium*.
//
// The names are gathered first and opened after dl_iterate_phdr returns:
// it holds the loader's list lock while its callback runs, and a dlopen in
// there would take the loader's own lock second, the other way round from a
// dlopen on another thread (the camera's start loads plugins beside the
// run): each would wait for the other for ever.
#include "linux/gl_driver.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
int NoteDriverModule(dl_phdr_info* info, size_t, void* names) {
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium")))
        static_cast<std::vector<std::string>*>(names)->push_back(name);
    return 0;
}
}  // namespace

void KeepGLDriverLoaded() {
    std::vector<std::string> names;
    dl_iterate_phdr(NoteDriverModule, &names);
    // RTLD_NOLOAD: only modules already loaded; the handles are kept on purpose.
    for (const std::string& name : names) dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
