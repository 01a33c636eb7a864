#!/usr/bin/env bash
# The Windows setup under Wine, in a fresh prefix, as a new user meets it:
# its welcome and components pages (screenshots kept), a cancelled setup
# that leaves nothing; the silent setup puts lumox.scr where the Screen
# Saver list reads it and the picture into the Windows directory, makes
# Lumox the current saver and registers the uninstaller; the installed saver
# runs full screen with its figure and ends on Escape, /p 0 ends with -1;
# the silent uninstall leaves nothing but the user's lumox.cfg. A user's own
# lumox.bmp, there before the setup or put there after it, survives setup
# and uninstall, and so does another current screen saver. The interactive
# setup's last page opens the Screen Saver settings on Lumox.
# usage: wine_setup.sh SETUP.EXE KIND VERSION LUMOX.SCR PICTURE WINE-RUN.SH DESK.CPL SHOTS
#   KIND: win64 (the 64-bit test setup in a 64-bit prefix: System32), wow64
#   (the 32-bit setup in a 64-bit prefix: SysWOW64), win32 (the 32-bit setup
#   in a WINEARCH=win32 prefix: System32). DESK.CPL: a stand-in of the
#   setup's kind. SHOTS: the screenshots' path prefix (SHOTS-welcome.png,
#   SHOTS-about.png, SHOTS-components.png).
setup=$1 kind=$2 version=$3 scr=$4 picture=$5 wine_run=$6 desk_cpl=$7 shots=$8
source "$(dirname "$0")/wine_lib.sh"
[ -f "$setup" ] || fail "no setup $setup (is makensis installed? scripts/setup.sh installs it)"

export WINEPREFIX=$LUMOX_WINEPREFIX WINEDEBUG=-all
drive=$WINEPREFIX/drive_c
case $kind in
  win64) boot=/usr/lib/wine/wine64 arch=win64 sysdir=system32 saver_path='C:\windows\system32\lumox.scr'
         programs="Program Files" view=/reg:64 ;;
  wow64) boot=/usr/lib/wine/wine64 arch=win64 sysdir=syswow64 saver_path='C:\windows\SysWOW64\lumox.scr'
         programs="Program Files (x86)" view=/reg:32 ;;
  win32) boot=wine arch=win32 sysdir=system32 saver_path='C:\windows\system32\lumox.scr'
         programs="Program Files" view= ;;
  *) fail "unknown kind $kind" ;;
esac
installed_scr=$drive/windows/$sysdir/lumox.scr
installed_bmp=$drive/windows/lumox.bmp
settings=$drive/windows/lumox.cfg
instdir=$drive/$programs/Lumox
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumox'
desktop_key='HKCU\Control Panel\Desktop'

start_xvfb 640x480x24
note "a fresh $kind prefix"
WINEARCH=$arch DISPLAY= "$boot" wineboot -i >/dev/null 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "no prefix"
if [ "$arch" = win64 ]; then
  [ -d "$drive/windows/syswow64" ] || fail "the prefix is not 64-bit"
else
  [ ! -d "$drive/windows/syswow64" ] || fail "the prefix is not 32-bit"
fi
# Everything in drive C: but the temporary files, which Wine never cleans.
files() { (cd "$drive" && find . -ipath './users/*/temp' -prune -o -type f -print | sort) }
files >"$work/files-before"

# reg_value KEY NAME: the value's data, or nothing (status 1) without it.
reg_value() {
  "$boot" reg query "$1" /v "$2" $view 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $2    REG_[A-Z_]*    //p" | grep .
}
run_setup() {
  "$wine_run" "$setup" /S || fail "silent setup: exit code $?"
}
# The uninstaller copies itself elsewhere and runs from there, as it does
# from Add/Remove Programs: wait for the whole prefix to settle.
run_uninstall() {
  [ -f "$instdir/uninstall.exe" ] || fail "no uninstaller in $instdir"
  "$wine_run" "$instdir/uninstall.exe" /S || fail "silent uninstall: exit code $?"
  timeout 60 wineserver -w || fail "the uninstaller did not end"
}
# shot NAME [PREVIOUS]: the setup window's area of the screen as
# SHOTS-NAME.png, once it differs from page PREVIOUS's (the page has
# turned); it must look like a dialog (light, with text and pictures).
shot() {
  local out=$shots-$1.png geometry colours brightness differing= i
  geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}')
  for i in $(seq 20); do
    sleep 0.5
    import -window root -crop "$geometry" +repage "$out" || fail "no screenshot"
    [ -z "${2:-}" ] && break
    differing=$(compare -metric AE "$shots-$2.png" "$out" null: 2>&1 || true)
    [ "${differing%% *}" -gt 1000 ] 2>/dev/null && break
    differing=
  done
  [ -z "${2:-}" ] || [ -n "$differing" ] || fail "the $1 page did not follow the $2 page (see $out)"
  colours=$(convert "$out" -format %k info:)
  brightness=$(convert "$out" -colorspace Gray -format '%[fx:int(mean*100)]' info:)
  echo "$1 page $geometry: $colours colours, brightness $brightness%: $out"
  [ "$colours" -ge 16 ] && [ "$brightness" -ge 40 ] || fail "the $1 page does not look like a dialog (see $out)"
}

note "the setup's pages: welcome, about, components; cancelled, it leaves nothing"
"$wine_run" "$setup" & pid=$!
id=$(wait_for_window "Lumox $version Setup" 60) || fail "no setup window \"Lumox $version Setup\""
sleep 2
shot welcome
xdotool key Return  # Next: about Lumox
shot about welcome
xdotool key Return  # Next: components
shot components about
xdotool key Escape
wait_for_window "Lumox $version Setup" 10 >/dev/null
sleep 1
xdotool key Return  # Yes, quit Setup
wait_exit "$pid" 30 || fail "the cancelled setup is still running"
pid=
[ ! -e "$installed_scr" ] && [ ! -e "$installed_bmp" ] && [ ! -e "$instdir" ] || fail "a cancelled setup installed files"
! reg_value "$uninstall_key" DisplayName >/dev/null || fail "a cancelled setup registered an uninstaller"

note "silent setup: every file in place, Lumox the current saver, the uninstaller registered"
run_setup
cmp "$scr" "$installed_scr" || fail "lumox.scr is not in $sysdir"
cmp "$picture" "$installed_bmp" || fail "the default picture is not C:\\windows\\lumox.bmp"
[ -f "$instdir/uninstall.exe" ] || fail "no uninstaller"
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$saver_path" ] ||
  fail "SCRNSAVE.EXE is \"$(reg_value "$desktop_key" SCRNSAVE.EXE)\", not $saver_path"
[ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ] || fail "ScreenSaveActive is not 1"
[ "$(reg_value "$uninstall_key" DisplayName)" = Lumox ] || fail "no Add/Remove Programs entry"
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ "$(reg_value "$uninstall_key" DisplayIcon)" = "$saver_path,0" ] || fail "DisplayIcon is not lumox.scr's icon"
reg_value "$uninstall_key" Publisher >/dev/null || fail "no publisher"
reg_value "$uninstall_key" UninstallString | grep -q 'uninstall\.exe"$' || fail "no UninstallString"
size=$(($(reg_value "$uninstall_key" EstimatedSize)))
[ "$size" -ge $(($(stat -c %s "$scr") / 1024)) ] || fail "EstimatedSize $size KB is less than lumox.scr"

note "the setup again (a reinstall) keeps its own picture in place"
run_setup
cmp "$picture" "$installed_bmp" || fail "the reinstall lost the picture"

note "the installed saver: the figure full screen, Escape ends it; /p 0 ends with -1"
"$wine_run" "$installed_scr" /s & pid=$!
wait_for_window Lumox 60 >/dev/null || fail "no saver window"
wait_for_figure $pid
xdotool key Escape
dismiss_black_window "Escape"
expect_exit "Escape"
"$wine_run" "$installed_scr" /p 0
code=$?
[ "$code" = 255 ] || fail "/p 0 ended with $code, not -1"

note "silent uninstall: nothing is left but the user's settings"
head -c 1348 /dev/urandom >"$work/settings"
cp "$work/settings" "$settings"
run_uninstall
cmp "$work/settings" "$settings" || fail "the uninstall changed lumox.cfg"
[ ! -e "$instdir" ] || fail "$instdir is left"
files >"$work/files-after"
left=$(comm -13 "$work/files-before" "$work/files-after")
[ "$left" = ./windows/lumox.cfg ] || fail "the uninstall left: $left"
! reg_value "$uninstall_key" DisplayName >/dev/null || fail "the Add/Remove Programs entry is left"
! reg_value "$desktop_key" SCRNSAVE.EXE >/dev/null || fail "SCRNSAVE.EXE still names the removed Lumox"
[ "$(reg_value "$desktop_key" ScreenSaveActive)" = 0 ] || fail "ScreenSaveActive is not 0 without a saver"

note "a user's own lumox.bmp and another current saver survive setup and uninstall"
convert -size 8x8 xc:orange BMP3:"$work/own.bmp"
cp "$work/own.bmp" "$installed_bmp"
run_setup
cmp "$work/own.bmp" "$installed_bmp" || fail "the setup replaced the user's picture"
"$boot" reg add "$desktop_key" /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
run_uninstall
cmp "$work/own.bmp" "$installed_bmp" || fail "the uninstall removed the user's picture"
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] ||
  fail "the uninstall changed another current saver"
[ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ] || fail "the uninstall turned another saver off"

note "the interactive setup with its defaults; its last page opens the Screen Saver settings on Lumox"
rm "$installed_bmp"
# On 64-bit Windows the setup runs the system's 64-bit rundll32, so a 32-bit
# stand-in cannot answer there.
[ "$kind" != wow64 ] && cp "$desk_cpl" "$drive/windows/system32/desk.cpl"
export LUMOX_DESK_CPL_LOG='C:\windows\temp\desk_cpl.txt'
log=$drive/windows/temp/desk_cpl.txt
"$wine_run" "$setup" & pid=$!
id=$(wait_for_window "Lumox $version Setup" 60) || fail "no setup window"
sleep 2
xdotool key Return  # Next: about Lumox
sleep 1
xdotool key Return  # Next: components
sleep 1
xdotool key Return  # Install
# The last step of the installation makes Lumox current; then the finish
# page shows.
for _ in $(seq 60); do [ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$saver_path" ] && break; sleep 0.5; done
sleep 2
xdotool key Return  # Finish, "Open the Screen Saver settings on Lumox" checked
wait_exit "$pid" 30 || fail "the setup did not end on Finish"
pid=
cmp "$picture" "$installed_bmp" || fail "no default picture"
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$saver_path" ] || fail "the interactive setup did not make Lumox current"
[ -f "$instdir/uninstall.exe" ] || fail "the interactive setup wrote no uninstaller"
if [ "$kind" != wow64 ]; then
  for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.2; done
  [ "$(cat "$log" 2>/dev/null)" = "$saver_path" ] ||
    fail "desk.cpl,InstallScreenSaver got \"$(cat "$log" 2>/dev/null)\", not $saver_path"
fi

note "a picture the user puts in place of the setup's survives the uninstall"
cp "$work/own.bmp" "$installed_bmp"
run_uninstall
cmp "$work/own.bmp" "$installed_bmp" || fail "the uninstall removed the user's picture"
[ ! -e "$installed_scr" ] || fail "lumox.scr is left"
echo PASS
