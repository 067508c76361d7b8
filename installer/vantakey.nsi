; Vantakey installer (NSIS 3, Modern UI 2). Built by tools/package.sh:
;   makensis -DVERSION=2.0 -DSTAGE=<dir with the files> -DOUTFILE=<setup.exe> vantakey.nsi
; STAGE holds vkmanager.exe, vkgate.dll, vkhook32.exe and vkgate32.dll (the 32-bit
; hook host and its library), README.md, LICENSE, LICENSE.txt (CRLF,
; for the licence page), help\ and docs\screenshots\ (the README's pictures).

!ifndef VERSION
  !error "VERSION is not defined (-DVERSION=...)"
!endif
!ifndef STAGE
  !error "STAGE is not defined (-DSTAGE=...)"
!endif
!ifndef OUTFILE
  !define OUTFILE "vantakey-${VERSION}-setup.exe"
!endif

Unicode true
; The deliverables are 64-bit; a 64-bit installer sees the real Program Files
; and the 64-bit registry without redirection.
Target amd64-unicode

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Vantakey"
!define MANAGER_EXE "vkmanager.exe"
; The manager's tray window: asking it to go is the only safe way, because
; killing it would leave its system-wide hooks loaded in other processes.
!define MANAGER_CLASS "VantakeyClass"
!define MANAGER_TITLE "vk"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "vk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUNNING_TEXT "Vantakey is running and did not exit when asked. Please exit it from its notification-area icon (right-click, Vantakey Manager, Exit) and click Retry."
; How long a manager that was asked to exit gets: 40 x 250 ms.
!define EXIT_POLLS 40

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The hooks, the Run value under HKLM and Program Files all need it.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 The Vantakey developers"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
; The installer runs elevated, and a manager started from it directly would
; be elevated too: its objects and its first save would be made with an
; administrator's rights, not with the ones every later start has. So the
; finish page starts it the way the Run value at logon does, as the user.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Vantakey now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartManagerAsUser

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks a running manager to exit: closing its tray window runs its orderly
; shutdown (hooks removed, database saved), exactly as its own Exit does.
; Waits until no manager window is left; when the manager does not go within
; the polls, the user is asked to exit it. In silent mode nobody can answer,
; so the default is to give up.
Function WaitForManagerExit
  StrCpy $1 0
  StrCpy $2 0
  ${Do}
    FindWindow $0 "${MANAGER_CLASS}" "${MANAGER_TITLE}"
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $2 == 0
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
      StrCpy $2 1
    ${EndIf}
    ${If} $1 < ${EXIT_POLLS}
      IntOp $1 $1 + 1
      Sleep 250
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${RUNNING_TEXT}" /SD IDCANCEL IDRETRY retry
      Abort
      retry:
      StrCpy $1 0
      StrCpy $2 0
    ${EndIf}
  ${Loop}
FunctionEnd

; The uninstaller's check goes further: a manager that has no tray window
; (its first-run wizard is open, say) still holds its program file. Removing
; the program file first, and nothing else until it is gone, never leaves
; half an installation behind a running manager. Once the hooks are removed,
; other processes let go of the library only as they next handle a message,
; so a library still in use is removed at the next restart instead.
Function un.WaitForManagerExit
  StrCpy $1 0
  StrCpy $2 0
  ${Do}
    FindWindow $0 "${MANAGER_CLASS}" "${MANAGER_TITLE}"
    ${If} $0 != 0
      ${If} $2 == 0
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        StrCpy $2 1
      ${EndIf}
    ${Else}
      ClearErrors
      Delete "$INSTDIR\${MANAGER_EXE}"
      ${IfNot} ${Errors}
        ; The manager stops its 32-bit hook host before it exits; the
        ; libraries may still be loaded in programs of either bitness.
        Delete /REBOOTOK "$INSTDIR\vkhook32.exe"
        Delete /REBOOTOK "$INSTDIR\vkgate.dll"
        Delete /REBOOTOK "$INSTDIR\vkgate32.dll"
        Return
      ${EndIf}
    ${EndIf}
    ${If} $1 < ${EXIT_POLLS}
      IntOp $1 $1 + 1
      Sleep 250
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${RUNNING_TEXT}" /SD IDCANCEL IDRETRY retry
      Abort
      retry:
      StrCpy $1 0
      StrCpy $2 0
    ${EndIf}
  ${Loop}
FunctionEnd

; Starting the manager with the user's ordinary rights from an elevated
; installer, with what Debian's nsis has (no UAC or ShellExecAsUser plugin):
; explorer.exe given a program's path hands it to the desktop shell that is
; already running, and that shell runs with the logged-on user's own
; (filtered) token, so the program starts non-elevated. Other ways were
; weighed: a scheduled task for the interactive user needs schtasks and a
; task left to clean up; the shell's IShellDispatch2 through the System
; plugin is far more code for the same result. Limits: when the installer
; was elevated with another account's credentials (a standard user asked an
; administrator), the manager starts for the desktop's user, who is the one
; it protects; without a running explorer shell nothing starts, and the user
; starts Vantakey from the Start menu instead.
Function StartManagerAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${MANAGER_EXE}"'
FunctionEnd

; The database folder "<ProgramData>\Vantakey" (vk2.dat lives there): every
; user may create and replace its files, so a manager started without
; elevation can save, whoever saved before. The same list the manager gives
; the folder when it has to make it itself (common/access_lists.h); an
; existing folder is left as it is.
!define DATA_FOLDER_SDDL "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)"

Function MakeDataFolder
  ; SetShellVarContext all: $APPDATA is the all-users ProgramData folder.
  IfFileExists "$APPDATA\${PRODUCT}\*.*" 0 +3
    DetailPrint "Database folder $APPDATA\${PRODUCT} exists; left as it is."
    Return
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${DATA_FOLDER_SDDL}", i 1, *p .r1, p 0) i .r0'
  ${If} $0 == 0
    DetailPrint "Could not build the database folder's rights; the manager makes the folder at its first save."
    Return
  ${EndIf}
  ; SECURITY_ATTRIBUTES on x64: nLength, padding, lpSecurityDescriptor, bInheritHandle, padding.
  System::Call '*(i 24, i 0, p r1, i 0, i 0) p .r2'
  System::Call 'kernel32::CreateDirectoryW(w "$APPDATA\${PRODUCT}", p r2) i .r0 ?e'
  Pop $3
  System::Free $2
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $0 == 0
    DetailPrint "Could not make $APPDATA\${PRODUCT} (error $3); the manager makes it at its first save."
  ${Else}
    DetailPrint "Made the database folder $APPDATA\${PRODUCT}."
  ${EndIf}
FunctionEnd

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "Vantakey needs a 64-bit version of Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Vantakey (required)" SecMain
  SectionIn RO
  ; Files in use by a running manager (and its hook library in every
  ; process) cannot be replaced.
  Call WaitForManagerExit

  SetOutPath "$INSTDIR"
  File "${STAGE}\vkmanager.exe"
  File "${STAGE}\vkgate.dll"
  File "${STAGE}\vkhook32.exe"
  File "${STAGE}\vkgate32.dll"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE"
  SetOutPath "$INSTDIR\help"
  File /r "${STAGE}\help\*.*"
  SetOutPath "$INSTDIR\docs\screenshots"
  File "${STAGE}\docs\screenshots\*.png"
  SetOutPath "$INSTDIR"

  Call MakeDataFolder

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${MANAGER_EXE}" "" "$INSTDIR\${MANAGER_EXE}" 0

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Vantakey developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${MANAGER_EXE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The same value the manager's Options dialog writes: the bare full path.
Section /o "Start Vantakey when Windows starts" SecStartup
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\${MANAGER_EXE}"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The manager, the hook libraries (64-bit and 32-bit) and the help pages."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecStartup} "Starts the Vantakey manager for every user when Windows starts."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.WaitForManagerExit

  ; Only what was installed: the database folder $APPDATA\${PRODUCT} with
  ; vk2.dat holds the users' locks and system password and stays.
  ; vkmanager.exe is gone already, vkhook32.exe and the two libraries too or
  ; at the next restart.
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  RMDir /r "$INSTDIR\help"
  RMDir /r "$INSTDIR\docs"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
