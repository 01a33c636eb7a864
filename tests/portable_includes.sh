#!/usr/bin/env bash
# The portable side of the source tree includes no platform header: every
# file under src/ whose name has no platform prefix (win32_, dshow_, x11_,
# egl_, gtk_, gst_, posix_, linux_, libpng_) stays with OpenGL, the C and
# C++ runtimes and the project's own headers.
# usage: portable_includes.sh SRC_DIR
src=$1
platform_prefix='^(win32|dshow|x11|egl|gtk|gst|posix|linux|libpng)_'
platform_header='#[[:space:]]*include[[:space:]]*<(windows\.h|winuser\.h|dshow\.h|strmif\.h|imm\.h|commctrl\.h|X11/|GL/glx\.h|EGL/|gtk/|gdk/|glib|gst/|png\.h|dlfcn\.h|link\.h|pwd\.h|poll\.h|signal\.h|fcntl\.h|sys/stat\.h)'
status=0
while IFS= read -r file; do
  name=$(basename "$file")
  [[ $name =~ $platform_prefix ]] && continue
  if grep -EHn "$platform_header" "$file"; then status=1; fi
done < <(find "$src" -name '*.cpp' -o -name '*.h')
[ $status = 0 ] && echo "PASS: no portable file includes a platform header"
exit $status
