; The Windows installer of Sylvadra.scr, made by makensis on Linux
; (cmake/Installer.cmake):
;   makensis -DCONFIG=<build>/installer/config.nsh sylvadra.nsi
; config.nsh names the files and the version, made by CMake from the
; project's version and the version resource of Sylvadra.scr (sylvadra.rc),
; so that the installer, its uninstaller and the program all tell the same.
; -DVERSION=x.y.z and -DOUTFILE=... given to makensis replace them (the
; tests build a newer installer that way).
;
; The installer
;   (nothing)     for the user who runs it, without administrator rights,
;                 into %LOCALAPPDATA%\Programs\Sylvadra
;   /ALLUSERS     for every user: started elevated, Sylvadra.scr goes into
;                 the system folder (System32, where Windows lists the
;                 screen savers of all users), the uninstaller and the
;                 licences into Program Files\Sylvadra
;   /S            silent; /D=folder (last, unquoted) the installation folder
; It selects Sylvadra as the screen saver of the user who runs it, keeping
; the user's waiting time, and notes the screen saver it replaces. Over an
; earlier installation it installs into the same folder; the settings stay.
;
; The uninstaller (Uninstall.exe beside the licences)
;   /S            silent
;   /PURGE        also the user's settings and the wallpaper picture (asked
;                 otherwise, when not silent)
;
; Exit status: 0 done, 1 cancelled by the user, 2 failed.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!ifndef CONFIG
  !error "makensis -DCONFIG=<build>/installer/config.nsh"
!endif
!include "${CONFIG}"
!ifndef VERSION
  !define VERSION "${SYL_VERSION}"
!endif
!ifndef OUTFILE
  !define OUTFILE "${SYL_OUTFILE}"
!endif
!searchparse /noerrors "${VERSION}" "" V_MAJOR "." V_MINOR "." V_PATCH
!ifndef V_PATCH
  !error "VERSION must be major.minor.patch, not ${VERSION}"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sylvadra"
!define DESKTOP_KEY "Control Panel\Desktop"
; What the installer changed of the user's screen-saver choice, to put it
; back when Sylvadra is removed. The program's own settings live beside it
; in Software\Sylvadra\Settings.
!define SETUP_KEY "Software\Sylvadra\Setup"
; The waiting time, in seconds, when the user has none yet.
!define DEFAULT_TIMEOUT "600"
!define SHORTCUT "Sylvadra settings.lnk"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, SPI_SETDESKWALLPAPER,
; SPIF_SENDCHANGE, and SPIF_UPDATEINIFILE | SPIF_SENDCHANGE.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPI_SETDESKWALLPAPER 20
!define SPIF_SENDCHANGE 2
!define SPIF_UPDATEINIFILE_SENDCHANGE 3

Name "Sylvadra"
OutFile "${OUTFILE}"
BrandingText "Sylvadra ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.0"
VIFileVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${SYL_PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${SYL_COMPANY}"
VIAddVersionKey /LANG=1033 "FileDescription" "${SYL_DESCRIPTION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${SYL_COPYRIGHT}"

Var AllUsers    ; 1: installed for every user
Var ScrDir      ; the folder of Sylvadra.scr
Var ScrShort    ; its short path, as SCRNSAVE.EXE names it
Var OldDir      ; the folder of an earlier installation
Var OldScr      ; its Sylvadra.scr, by its short path, when it moves
Var Purge       ; uninstaller: 1 removes the settings and the wallpaper too

!ifdef SYL_ICON
  !define MUI_ICON "${SYL_ICON}"
  !define MUI_UNICON "${SYL_ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$ScrDir\Sylvadra.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/C"
!define MUI_FINISHPAGE_RUN_TEXT "Open Sylvadra's settings"
!insertmacro MUI_PAGE_LICENSE "${SYL_LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Ends the installation or removal as failed: the message (a box unless
; silent), exit status 2.
!macro Fail message
  DetailPrint "${message}"
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  SetErrorLevel 2
  Abort
!macroend

; Whether the value $0 names the Sylvadra.scr in $ScrDir (or that of an
; earlier installation in another folder), by its short ($ScrShort) or its
; long path; $1 is 1 when it does.
!macro IsOurSaver un
  Function ${un}IsOurSaver
    StrCpy $1 0
    ${If} $0 != ""
      ${If} $0 == $ScrShort
      ${OrIf} $0 == "$ScrDir\Sylvadra.scr"
      ${OrIf} $0 == $OldScr
      ${OrIf} $0 == "$OldDir\Sylvadra.scr"
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro IsOurSaver ""
!insertmacro IsOurSaver "un."

Function RequireAdmin
  UserInfo::GetAccountType
  Pop $R1
  ${If} $R1 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Installing for all users needs administrator rights: start the installer elevated." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function .onInit
  ; Every user (/ALLUSERS) needs an elevated start; the shell folders and
  ; the uninstall entry are then the common ones.
  StrCpy $AllUsers 0
  SetShellVarContext current
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    Call RequireAdmin
    SetShellVarContext all
  ${EndIf}
  ; An earlier installation: its folder (unless /D= names another) and
  ; version. An older installer does not replace a newer one unless asked.
  ReadRegStr $OldDir SHCTX "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $R2 SHCTX "${UNINST_KEY}" "DisplayVersion"
  ${If} $INSTDIR == ""
    ${If} $OldDir != ""
      StrCpy $INSTDIR $OldDir
    ${ElseIf} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Sylvadra"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Sylvadra"
    ${EndIf}
  ${EndIf}
  ${If} $R2 != ""
    ${VersionCompare} $R2 "${VERSION}" $R3
    ${If} $R3 == 1
      MessageBox MB_YESNO|MB_ICONQUESTION "Sylvadra $R2 is installed, newer than this ${VERSION}. Install ${VERSION} in its place?" /SD IDNO IDYES older_ok
      SetErrorLevel 2
      Quit
      older_ok:
    ${EndIf}
  ${EndIf}
FunctionEnd

; Selects Sylvadra as the user's screen saver, by the short path of the
; program as Windows keeps it. The first installation notes what it
; changes; an update leaves a screen saver the user has chosen since.
Function RegisterSaver
  GetFullPathName /SHORT $ScrShort "$ScrDir\Sylvadra.scr"
  ${If} $ScrShort == ""
    StrCpy $ScrShort "$ScrDir\Sylvadra.scr"
  ${EndIf}
  StrCpy $R0 $ScrShort
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} ${Errors}
    StrCpy $R1 0
  ${Else}
    StrCpy $R1 1
  ${EndIf}
  Call IsOurSaver
  ClearErrors
  ReadRegDWORD $R2 HKCU "${SETUP_KEY}" "Noted"
  ${If} ${Errors}
    ${If} $R1 == 1
    ${AndIf} $1 == 0
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousScreenSaver" $0
    ${EndIf}
    ClearErrors
    ReadRegStr $2 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousActive" $2
    ${EndIf}
    ClearErrors
    ReadRegStr $2 HKCU "${DESKTOP_KEY}" "ScreenSaveTimeOut"
    ${If} ${Errors}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveTimeOut" "${DEFAULT_TIMEOUT}"
      WriteRegStr HKCU "${SETUP_KEY}" "AddedTimeOut" "${DEFAULT_TIMEOUT}"
    ${EndIf}
    WriteRegDWORD HKCU "${SETUP_KEY}" "Noted" 1
  ${ElseIf} $1 == 0
    DetailPrint "The screen saver chosen since the first installation stays: $0"
    Return
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $R0
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${If} ${Errors}
    !insertmacro Fail "Sylvadra could not be selected as the screen saver."
  ${EndIf}
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})'
  DetailPrint "Screen saver: $R0"
FunctionEnd

; The entry in "Apps and features".
Function WriteUninstallEntry
  ClearErrors
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "Sylvadra"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${SYL_COMPANY}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$ScrDir\Sylvadra.scr,0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINST_KEY}" "URLInfoAbout" "${SYL_URL}"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${If} $AllUsers == 1
    ${GetSize} "$ScrDir" "/M=Sylvadra.scr /S=0K /G=0" $1 $2 $3
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
  ${If} ${Errors}
    !insertmacro Fail "The entry in Apps and features could not be written."
  ${EndIf}
FunctionEnd

Section "Sylvadra" SecMain
  SectionIn RO
  ${If} $AllUsers == 1
    StrCpy $ScrDir $SYSDIR
  ${Else}
    StrCpy $ScrDir $INSTDIR
  ${EndIf}
  ; The program is replaced or not written at all: a running screen saver
  ; keeps its file, and the installation fails.
  SetOverwrite try
  ClearErrors
  SetOutPath $ScrDir
  File "/oname=Sylvadra.scr" "${SYL_SCR}"
  ${If} ${Errors}
    !insertmacro Fail "$ScrDir\Sylvadra.scr could not be written. If Sylvadra is running, end it and try again."
  ${EndIf}
  SetOverwrite on
  ClearErrors
  SetOutPath $INSTDIR
  File "/oname=LICENSE.txt" "${SYL_LICENSE}"
  File "/oname=font-1-LICENSE.txt" "${SYL_FONT_LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    !insertmacro Fail "The files could not be written to $INSTDIR."
  ${EndIf}
  ; An earlier installation in another folder (/D=) is taken away; the
  ; screen saver moves with it.
  StrCpy $OldScr ""
  ${If} $OldDir != ""
  ${AndIf} $OldDir != $INSTDIR
    ${If} $AllUsers == 0
      GetFullPathName /SHORT $OldScr "$OldDir\Sylvadra.scr"
    ${EndIf}
    Delete "$OldDir\Sylvadra.scr"
    Delete "$OldDir\LICENSE.txt"
    Delete "$OldDir\font-1-LICENSE.txt"
    Delete "$OldDir\Sylvadra.EPT"
    Delete "$OldDir\Uninstall.exe"
    RMDir "$OldDir"
  ${EndIf}

  ClearErrors
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$ScrDir\Sylvadra.scr" "/C" "$ScrDir\Sylvadra.scr" 0 \
                 SW_SHOWNORMAL "" "Sylvadra's settings"
  ${If} ${Errors}
    !insertmacro Fail "The Start-menu entry could not be made."
  ${EndIf}
  Call RegisterSaver
  Call WriteUninstallEntry
SectionEnd

; ---------------------------------------------------------------- removal

Function un.onInit
  StrCpy $AllUsers 0
  SetShellVarContext current
  ; Installed for every user when the common entry names this folder.
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $R0 == $INSTDIR
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Sylvadra was installed for all users: removing it needs administrator rights." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${EndIf}
  ${If} $AllUsers == 1
    StrCpy $ScrDir $SYSDIR
  ${Else}
    StrCpy $ScrDir $INSTDIR
  ${EndIf}
  StrCpy $Purge 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $R1
  ${IfNot} ${Errors}
    StrCpy $Purge 1
  ${EndIf}
FunctionEnd

; The user's screen saver as it was before Sylvadra, when Sylvadra is still
; the one selected; the waiting time the installer added goes unless the
; user has changed it since.
Function un.UnregisterSaver
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.IsOurSaver
  ${If} $1 == 1
    ClearErrors
    ReadRegStr $2 HKCU "${SETUP_KEY}" "PreviousScreenSaver"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
    ${EndIf}
    ClearErrors
    ReadRegStr $2 HKCU "${SETUP_KEY}" "PreviousActive"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      StrCpy $2 0
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
    ${EndIf}
    ${If} $2 != 1
      StrCpy $2 0
    ${EndIf}
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i $2, p 0, i ${SPIF_SENDCHANGE})'
  ${EndIf}
  ReadRegStr $2 HKCU "${SETUP_KEY}" "AddedTimeOut"
  ReadRegStr $3 HKCU "${DESKTOP_KEY}" "ScreenSaveTimeOut"
  ${If} $2 != ""
  ${AndIf} $2 == $3
    DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveTimeOut"
  ${EndIf}
  DeleteRegKey HKCU "${SETUP_KEY}"
FunctionEnd

; The desktop shows no wallpaper when its picture is $0, the file the
; program leaves as the wallpaper and that is about to go.
Function un.ForgetWallpaper
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "Wallpaper"
  GetFullPathName /SHORT $2 $0
  ${If} $1 != ""
    ${If} $1 == $0
    ${OrIf} $1 == $2
      System::Call 'user32::SystemParametersInfoW(i ${SPI_SETDESKWALLPAPER}, i 0, w "", i ${SPIF_UPDATEINIFILE_SENDCHANGE})'
      DetailPrint "The desktop wallpaper $1 is removed."
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${If} $Purge == 0
  ${AndIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Remove your Sylvadra settings and the wallpaper picture too?" IDNO keep
    StrCpy $Purge 1
    keep:
  ${EndIf}
  ; The program goes first: while it runs it cannot, and nothing else has
  ; changed then. Its short path is known only while it exists.
  StrCpy $ScrShort ""
  ${If} ${FileExists} "$ScrDir\Sylvadra.scr"
    GetFullPathName /SHORT $ScrShort "$ScrDir\Sylvadra.scr"
    ClearErrors
    Delete "$ScrDir\Sylvadra.scr"
    ${If} ${Errors}
      !insertmacro Fail "$ScrDir\Sylvadra.scr could not be removed. If Sylvadra is running, end it and try again."
    ${EndIf}
  ${EndIf}
  Call un.UnregisterSaver
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\font-1-LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; What the program leaves beside itself: its error protocol and an
  ; unfinished wallpaper.
  Delete "$ScrDir\Sylvadra.EPT"
  Delete "$ScrDir\Sylvadra.bmp.tmp"
  Delete "$ScrDir\.sylvadra-write-probe"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  DeleteRegKey SHCTX "${UNINST_KEY}"

  ; The user's own folder (%LOCALAPPDATA%\Sylvadra): the picture cache and
  ; the error protocol always, the wallpaper on request.
  SetShellVarContext current
  RMDir /r "$LOCALAPPDATA\Sylvadra\Cache"
  Delete "$LOCALAPPDATA\Sylvadra\Sylvadra.EPT"
  Delete "$LOCALAPPDATA\Sylvadra\Sylvadra.bmp.tmp"
  ${If} $Purge == 1
    StrCpy $0 "$ScrDir\Sylvadra.bmp"
    Call un.ForgetWallpaper
    StrCpy $0 "$LOCALAPPDATA\Sylvadra\Sylvadra.bmp"
    Call un.ForgetWallpaper
    Delete "$LOCALAPPDATA\Sylvadra\Sylvadra.bmp"
    Delete "$ScrDir\Sylvadra.bmp"
    DeleteRegKey HKCU "Software\Sylvadra"
  ${Else}
    DeleteRegKey /ifempty HKCU "Software\Sylvadra"
  ${EndIf}
  RMDir "$LOCALAPPDATA\Sylvadra"
  RMDir "$INSTDIR"
SectionEnd
