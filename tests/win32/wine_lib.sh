# Shared by the end-to-end scripts that run lumox.scr on their own X server:
# a work directory with a private Wine prefix in it (one prefix per X server),
# and a cleanup that ends the saver, the prefix's Wine server and the X server.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
work=$(mktemp -d)
pid=
export LUMOX_WINEPREFIX=$work/prefix
wine_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  WINEPREFIX=$LUMOX_WINEPREFIX wineserver -k 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap wine_cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
