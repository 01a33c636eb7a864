; Lumox setup: lumox.scr into the system directory the Screen Saver list
; reads, the default still picture as lumox.bmp into the Windows directory
; (a picture already there is the user's and stays), an uninstaller with its
; Add/Remove Programs entry, and, as a component on by default, Lumox as the
; current screen saver. /S installs silently with the defaults.
;
; The build passes every value (CMake's version among them):
;   makensis -DVERSION=1.2.3 -DVERSION_QUAD=1.2.3.0 -DARCH=x86|amd64
;            -DSAVER=lumox.scr -DPICTURE=lumox.bmp -DICON=lumox.ico
;            -DREADME=readme.txt -DOUTFILE=setup.exe lumox.nsi
; ARCH x86 is the product, a 32-bit installer of the 32-bit saver; amd64
; wraps the 64-bit test build of the same sources, so that the setup can be
; tested where only 64-bit Windows programs run.

!if "${ARCH}" == "amd64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x86 or amd64"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumox"
!define DESKTOP_KEY "Control Panel\Desktop"
!define PUBLISHER "The Lumox developers"

Name "Lumox ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Lumox ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; The saver and its picture go where Windows looks for them; the install
; directory only keeps the uninstaller.
!if "${ARCH}" == "amd64"
  InstallDir "$PROGRAMFILES64\Lumox"
!else
  InstallDir "$PROGRAMFILES\Lumox"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Lumox"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Lumox ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var SaverDir       ; the real directory of lumox.scr
Var PictureStamp   ; size and time of $WINDIR\lumox.bmp, "" without one

;--------------------------------------------------------------------------
; Pages

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install Lumox ${VERSION}, a screen saver that draws a figure of pulsing, tumbling quads textured with live video from your webcam, over a tunnel made by redrawing each frame slightly enlarged.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "About Lumox"
!define MUI_PAGE_HEADER_SUBTEXT "What Lumox is, where Setup puts it and how it is removed."
!define MUI_LICENSEPAGE_TEXT_TOP "Press Page Down to read on."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "$_CLICK"
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${README}"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "&Open the Screen Saver settings on Lumox"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

;--------------------------------------------------------------------------
; Shared by setup and uninstaller (NSIS wants the uninstaller's functions
; under names of their own, hence the macros).

; The directory the Screen Saver list reads for this saver. A 32-bit
; installer on 64-bit Windows sees System32 through file-system
; redirection, but 32-bit savers really live in SysWOW64, and the path kept
; in the registry must be the real one.
!macro FindSaverDir
  !if "${ARCH}" == "amd64"
    SetRegView 64
    StrCpy $SaverDir $SYSDIR
  !else
    ${If} ${RunningX64}
      StrCpy $SaverDir "$WINDIR\SysWOW64"
    ${Else}
      StrCpy $SaverDir $SYSDIR
    ${EndIf}
  !endif
!macroend

; Setting files in the Windows directory and the system directory needs an
; administrator.
!macro RequireAdministrator WHAT
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "${WHAT} needs administrator rights: it writes into the Windows directory." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

; $PictureStamp = "SIZE:HIGH:LOW" (length and last-write time) of
; $WINDIR\lumox.bmp, or "" when there is none. The setup records the stamp
; of the picture it installs; a picture with another stamp is the user's.
!macro PictureStampFunction UN
Function ${UN}ReadPictureStamp
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $PictureStamp ""
  ClearErrors
  GetFileTime "$WINDIR\lumox.bmp" $R0 $R1
  IfErrors done
  FileOpen $R2 "$WINDIR\lumox.bmp" r
  IfErrors done
  FileSeek $R2 0 END $R3
  FileClose $R2
  StrCpy $PictureStamp "$R3:$R0:$R1"
done:
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro PictureStampFunction ""
!insertmacro PictureStampFunction "un."

;--------------------------------------------------------------------------
; Setup

Function .onInit
  !insertmacro RequireAdministrator "Lumox Setup"
  !insertmacro FindSaverDir
FunctionEnd

Section "Lumox screen saver" SecSaver
  SectionIn RO
  SetOutPath $SaverDir
  File "/oname=lumox.scr" "${SAVER}"

  ; The picture: ours when there is none, or when the one there is still
  ; the one an earlier setup installed; a user's own picture stays, and is
  ; not recorded, so the uninstaller leaves it too.
  Call ReadPictureStamp
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "PictureStamp"
  ${If} $PictureStamp == ""
  ${OrIf} $PictureStamp == $0
    SetOutPath $WINDIR
    File "/oname=lumox.bmp" "${PICTURE}"
    Call ReadPictureStamp
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PictureStamp" $PictureStamp
  ${Else}
    DetailPrint "Kept the picture $WINDIR\lumox.bmp that was there"
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "PictureStamp"
  ${EndIf}

  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Lumox"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverDir\lumox.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "SaverPath" "$SaverDir\lumox.scr"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Kilobytes: the saver and picture as packed, and the uninstaller.
  SectionGetSize ${SecSaver} $0
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Current screen saver" SecCurrent
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverDir\lumox.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSaver} "lumox.scr, where the Screen Saver settings list it, and its still picture lumox.bmp in the Windows directory (a lumox.bmp already there is kept)."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCurrent} "Makes Lumox the current screen saver in the Screen Saver settings."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The offer to open the settings follows the choice of the component.
Function FinishShow
  ${IfNot} ${SectionIsSelected} ${SecCurrent}
    ${NSD_Uncheck} $mui.FinishPage.Run
  ${EndIf}
FunctionEnd

; The Screen Saver settings on Lumox, by the command Explorer's Install
; runs; on 64-bit Windows the system's own 64-bit rundll32.
Function OpenScreenSaverSettings
  !if "${ARCH}" == "x86"
    ${DisableX64FSRedirection}
  !endif
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $SaverDir\lumox.scr'
  !if "${ARCH}" == "x86"
    ${EnableX64FSRedirection}
  !endif
FunctionEnd

;--------------------------------------------------------------------------
; Uninstaller: takes away what the setup put in place and keeps the user's
; settings (lumox.cfg) and pictures.

Function un.onInit
  !insertmacro RequireAdministrator "Removing Lumox"
  !insertmacro FindSaverDir
FunctionEnd

Section "Uninstall"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "SaverPath"
  ${If} $0 == ""
    StrCpy $0 "$SaverDir\lumox.scr"
  ${EndIf}
  ; A saver still running goes at the next restart.
  Delete /REBOOTOK $0

  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "PictureStamp"
  Call un.ReadPictureStamp
  ${If} $1 != ""
  ${AndIf} $PictureStamp == $1
    Delete "$WINDIR\lumox.bmp"
  ${ElseIf} $PictureStamp != ""
    DetailPrint "Kept the picture $WINDIR\lumox.bmp, which Setup did not put there"
  ${EndIf}

  ; The current screen saver, when it is the Lumox just removed, or a Lumox
  ; that is gone (the setting may hold another spelling of the same path):
  ; none, as when "(None)" is chosen in the Screen Saver settings.
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $2 $3
  StrCpy $4 0
  ${If} $2 == $0
    StrCpy $4 1
  ${ElseIf} $3 == "lumox.scr"
  ${AndIfNot} ${FileExists} $2
    StrCpy $4 1
  ${EndIf}
  ${If} $4 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
SectionEnd
