; The Windows installer: the program folder into Program Files, for every user of the machine.
;   makensis -DVERSION=1.1 -DDEPLOY_DIR=<program folder> -DINSTALLED_FILES=<installed-files.nsh>
;            -DICON=<app-icon.ico> -DOUT_FILE=<setup.exe> Vidlet.nsi
;            "-DSIGN=<sign.sh PKCS12 PASSWORD_FILE>"
; installed-files.nsh (made by installed-files.sh from the program folder) removes exactly the
; files the installer puts there. SIGN signs the installer and the uninstaller it carries.
; Installing registers the camera and opens the firewall for the phones through the program's own
; elevated helper; uninstalling undoes both first. "/S" installs or uninstalls silently.
; A 64-bit installer, as the program is: it also runs where no 32-bit layer is installed.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Vidlet"
!define PUBLISHER "The Vidlet developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
!finalize '${SIGN} "%1"'
!uninstfinalize '${SIGN} "%1"'
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the installed version is, wherever the user put it.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsTheUser
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; The program is 64-bit: its folder, shortcuts and registry keys are those of the 64-bit view.
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; The installer runs elevated, possibly with another account's credentials: Vidlet started from
; here would run as that account (its settings, its camera permissions). The shell starts it as
; the user who is logged on, without elevation.
Function StartAsTheUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Vidlet.exe"'
FunctionEnd

; A running Vidlet holds its files, the camera and the firewall's rule: it is asked to quit, as
; from its menu, and waited for, before anything is replaced or removed.
!macro QuitRunning
  IfFileExists "$INSTDIR\Vidlet.exe" 0 +2
    ExecWait '"$INSTDIR\Vidlet.exe" --quit'
!macroend

; Runs the helper with one command and reports a failure without stopping: the program works
; without the camera registration, and the firewall can be opened later from its window.
!macro RunHelper COMMAND
  ClearErrors
  ExecWait '"$INSTDIR\vidlet-regtool.exe" ${COMMAND}' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "vidlet-regtool ${COMMAND} failed (exit code $0); see $COMMONPROGRAMDATA\Vidlet\regtool.log"
  ${Else}
    DetailPrint "vidlet-regtool ${COMMAND}: done"
  ${EndIf}
!macroend

Section "Vidlet"
  !insertmacro QuitRunning
  SetOutPath "$INSTDIR"
  File /r "${DEPLOY_DIR}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Vidlet.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vidlet.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1

  !insertmacro RunHelper "--register"
  !insertmacro RunHelper "--firewall"
SectionEnd

Section "Uninstall"
  ; The rule names the installed Vidlet.exe and the helper reads the camera's place from the
  ; registry, so both are undone while the files are still there.
  !insertmacro QuitRunning
  !insertmacro RunHelper "--unfirewall"
  !insertmacro RunHelper "--unregister"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only what the installer put there: the folder may have been chosen beside other files.
  !include "${INSTALLED_FILES}"
  Delete "$INSTDIR\Uninstall.exe"
  ; The pairing token of a Vidlet that could write its own folder.
  Delete "$INSTDIR\pairing-token.txt"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
