#!/usr/bin/env bash
# The source tree keeps its layout: the platform halves are src/linux and
# src/windows, and everything else is portable.
#  - no unit outside the platform folders is named for a platform or a
#    platform library;
#  - no portable file includes a platform header, nor a file of a platform
#    folder;
#  - the folders include each other without a circle, and the contract
#    (src/platform) includes no other folder.
# Prints the folder-level include graph.
# usage: layout.sh SRC_DIR
set -u
src=$1
cd "$src" || exit 1
status=0
bad() { echo "FAIL: $*"; status=1; }

platform_name='^(win32|windows|dshow|wgl|x11|glx|egl|gtk|gdk|gst|posix|linux|xdg|libpng)_'
platform_header='#[[:space:]]*include[[:space:]]*<(windows\.h|winuser\.h|dshow\.h|strmif\.h|imm\.h|commctrl\.h|X11/|GL/glx\.h|EGL/|gtk/|gdk/|gdk-pixbuf/|glib|gst/|png\.h|dlfcn\.h|link\.h|pwd\.h|poll\.h|signal\.h|fcntl\.h|sys/stat\.h)'

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
  folder=${file%%/*}
  case $folder in linux | windows) ;; *)
    [[ $(basename "$file") =~ $platform_name ]] && bad "$file: a platform's unit outside src/linux and src/windows"
    grep -EHn "$platform_header" "$file" && bad "$file: a portable file includes a platform header"
    grep -EHn '#[[:space:]]*include[[:space:]]*"(linux|windows)/' "$file" && bad "$file: a portable file includes a platform unit"
    ;;
  esac
  for used in $(sed -nE 's|^#[[:space:]]*include[[:space:]]*"([a-z_]+)/.*|\1|p' "$file" | sort -u); do
    [ "$used" != "$folder" ] && echo "$folder $used" >>"$edges"
  done
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)

sort -u "$edges" -o "$edges"
echo "folder-level includes (user -> used):"
sed 's/ / -> /; s/^/  /' "$edges"
if ! tsort "$edges" >/dev/null 2>&1; then
  bad "the folders include each other in a circle: $(tsort "$edges" 2>&1 >/dev/null | grep -v 'input contains a loop' | sed 's/^tsort: //' | tr '\n' ' ')"
fi
grep -E '^platform ' "$edges" | while read -r _ used; do
  echo "FAIL: the contract (platform) includes $used"
done | grep . && status=1
[ $status = 0 ] && echo "PASS: the layout holds"
exit $status
