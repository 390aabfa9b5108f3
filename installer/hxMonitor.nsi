; The hxMonitor installer: one script, one package per architecture. The
; Windows build runs it (target "installer"); by hand:
;
;   makensis -DHX_ARCH=x86|x64 -DHX_VERSION=1.00.1231.0 -DHX_EXE=<hxMonitor.exe>
;            -DHX_ICON=<hxMonitorSettings.ico> -DHX_OUTFILE=<setup.exe> -DHX_CTL_EXE=<hxmonctl.exe>
;            [-DHX_SETTINGS_EXE=<hxMonitorSettings.exe>]
;            hxMonitor.nsi
;
; It installs per machine into Program Files (the native folder for x64, the
; 32-bit one for x86), starts the monitor at every logon through the HKLM Run
; key and lists it under Add/Remove Programs. An installed or running copy is
; replaced: closed by the hxmonctl.exe of the package ("hxmonctl close", with
; WM_CLOSE, as the monitor expects to be closed).
;
; The installer runs with administrator rights, or as the system account
; under a deployment tool, and whatever it starts would keep those rights,
; as would every program the monitor starts. So it never starts the monitor
; itself: the desktop's shell does, as the user who owns the desktop (the
; finish page's box, or a silent install in a user's session); in a
; service's context nothing starts before the next logon.
;
; Test builds only: -DHX_TEST_FORCED_CONTEXT makes a silent install take the
; session id and the system-account answer from HX_SETUP_FORCE_SESSION and
; HX_SETUP_FORCE_SYSTEM (1 or 0) when set, so that the service's branch can
; be shown where everything runs in one user's session.
; -DHX_TEST_NATIVE_STUB builds the x64 package on the 64-bit stub, for Wine
; without its 32-bit side (such a package cannot refuse 32-bit Windows).
;
; Exit codes, also of the uninstaller: 0 done, 1 cancelled by the user,
; 2 refused (the x64 package on 32-bit Windows) or aborted, 3 a running
; hxMonitor did not end within 10 s after WM_CLOSE: nothing was changed.

!ifdef HX_TEST_NATIVE_STUB
  Target amd64-unicode
!else
  Unicode true
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; Its pages drawn at the system's DPI, not stretched from 96 DPI. Not per
; monitor: the pages would have to redo what they size themselves (the
; finish page's picture) on a move to another screen.
ManifestDPIAware true

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh

!ifndef HX_ARCH | HX_VERSION | HX_EXE | HX_ICON | HX_OUTFILE | HX_CTL_EXE
  !error "define HX_ARCH, HX_VERSION, HX_EXE, HX_ICON, HX_OUTFILE and HX_CTL_EXE"
!endif
!if "${HX_ARCH}" != "x86"
!if "${HX_ARCH}" != "x64"
  !error "HX_ARCH must be x86 or x64, not ${HX_ARCH}"
!endif
!endif
!ifdef HX_TEST_NATIVE_STUB
!if "${HX_ARCH}" != "x64"
  !error "HX_TEST_NATIVE_STUB is for the x64 package"
!endif
!endif

!define MONITOR_CLASS "hxMonitor"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "hxMonitor"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\hxMonitor"
!define PUBLISHER "Halvex"
; In the Start menu of all users; the window needs administrator rights.
!define SETTINGS_SHORTCUT "$SMPROGRAMS\hxMonitor Settings.lnk"
!define EXIT_ABORTED 2
!define EXIT_STILL_RUNNING 3
!define WIN_LOCAL_SYSTEM_SID 22 ; WELL_KNOWN_SID_TYPE WinLocalSystemSid
!define TOKEN_QUERY 8
!define TOKEN_USER_CLASS 1 ; TOKEN_INFORMATION_CLASS TokenUser

Name "hxMonitor ${HX_VERSION}"
OutFile "${HX_OUTFILE}"
BrandingText "${PUBLISHER} hxMonitor ${HX_VERSION} (${HX_ARCH})"
!if "${HX_ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\hxMonitor"
!else
  InstallDir "$PROGRAMFILES\hxMonitor"
!endif
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${HX_VERSION}"
VIAddVersionKey /LANG=1033 ProductName "hxMonitor"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "hxMonitor ${HX_VERSION} Setup (${HX_ARCH})"
VIAddVersionKey /LANG=1033 FileVersion "${HX_VERSION}"
VIAddVersionKey /LANG=1033 ProductVersion "${HX_VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "${PUBLISHER}"

!define MUI_ICON "${HX_ICON}"
!define MUI_UNICON "${HX_ICON}"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start hxMonitor now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartMonitorAsUser
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Where an earlier install of this architecture put its files, if anywhere.
Var previousDir

; The registry view of the package's architecture: the x64 package runs as a
; 32-bit installer (so that it can refuse 32-bit Windows with a message) and
; writes the 64-bit view.
!macro USE_PACKAGE_VIEW
  !if "${HX_ARCH}" == "x64"
    SetRegView 64
  !endif
!macroend

; AskMonitorToClose: "hxmonctl close" with the hxmonctl.exe this package
; carries, from the plugins folder, in a hidden window: it sends WM_CLOSE
; and waits at most 10 s for the monitor's process to end. Pushes its exit
; code: 0 closed, 1 none running, 2 still running, 4 refused (the monitor
; runs with higher rights), or "error" when it did not run.
Function AskMonitorToClose
  InitPluginsDir
  SetDetailsPrint none
  File "/oname=$PLUGINSDIR\hxmonctl.exe" "${HX_CTL_EXE}"
  SetDetailsPrint lastused
  nsExec::Exec '"$PLUGINSDIR\hxmonctl.exe" close'
FunctionEnd

; un.AskMonitorToClose: the same with the installed hxmonctl.exe. The
; installer that wrote this uninstaller wrote it first (an install from
; before hxmonctl shipped has its own, older uninstaller), so it is missing
; only when deleted by hand: then "missing", and the person is asked to
; close the monitor, as with one that will not close. Carrying another copy
; in the uninstaller for that would make the package an eighth larger.
Function un.AskMonitorToClose
  ${If} ${FileExists} "$INSTDIR\hxmonctl.exe"
    nsExec::Exec '"$INSTDIR\hxmonctl.exe" close'
  ${Else}
    Push missing
  ${EndIf}
FunctionEnd

; CloseRunningMonitor / un.CloseRunningMonitor: ends the monitor of this
; desktop, if one runs, with hxmonctl (above), which finds it by its window
; class, the same in either registry view. A copy that does not end in time
; is reported, never killed: Retry asks again, Cancel (and silent mode)
; aborts with exit code 3 before anything changed.
!macro CLOSE_RUNNING_MONITOR un
Function ${un}CloseRunningMonitor
  Push $0
  Push $1
  Push $2
  ${Do}
    FindWindow $0 "${MONITOR_CLASS}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    DetailPrint "Closing the running hxMonitor"
    ; The process asked, for the report.
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    Call ${un}AskMonitorToClose
    Pop $2
    ${If} $2 == 0
    ${OrIf} $2 == 1
      ${Break}
    ${EndIf}
    ${If} $2 == missing
      DetailPrint "hxmonctl.exe is missing from $INSTDIR: hxMonitor (process $1) was not asked to close"
      StrCpy $2 "hxMonitor is running, and the hxmonctl.exe that closes it is missing from $INSTDIR (installing hxMonitor again restores it)."
    ${Else}
      DetailPrint "hxMonitor (process $1) did not end within 10 s after WM_CLOSE"
      StrCpy $2 "hxMonitor is still running: it did not end within 10 seconds of being asked to close."
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "$2$\n$\nClose it, then choose Retry. Cancel stops here and changes nothing." \
      /SD IDCANCEL IDRETRY continue
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort "hxMonitor is still running; nothing was changed."
    continue:
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_MONITOR ""
!insertmacro CLOSE_RUNNING_MONITOR "un."

; The files of an install, then its folder if nothing else is left in it.
!macro REMOVE_FILES dir
  Delete "${dir}\hxMonitor.exe"
  Delete "${dir}\hxmonctl.exe"
  Delete "${dir}\hxMonitorSettings.exe"
  Delete "${dir}\uninstall.exe"
  RMDir "${dir}"
!macroend

Function .onInit
  !if "${HX_ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP \
        "This hxMonitor package is for 64-bit Windows, and this Windows is 32-bit.$\n$\nInstall hxMonitor-${HX_VERSION}-setup-x86.exe instead." \
        /SD IDOK
      SetErrorLevel ${EXIT_ABORTED}
      Abort
    ${EndIf}
  !endif
  !insertmacro USE_PACKAGE_VIEW
  ; An upgrade goes where the installed copy is, unless /D= names a folder.
  ReadRegStr $previousDir HKLM "${ARP_KEY}" "InstallLocation"
  !if "${HX_ARCH}" == "x64"
    ${If} $previousDir != ""
    ${AndIf} $INSTDIR == "$PROGRAMFILES64\hxMonitor"
      StrCpy $INSTDIR $previousDir
    ${EndIf}
  !else
    ${If} $previousDir != ""
    ${AndIf} $INSTDIR == "$PROGRAMFILES\hxMonitor"
      StrCpy $INSTDIR $previousDir
    ${EndIf}
  !endif
FunctionEnd

Section "hxMonitor"
  Call CloseRunningMonitor

  SetOutPath "$INSTDIR"
  File "/oname=hxMonitor.exe" "${HX_EXE}"
  File "/oname=hxmonctl.exe" "${HX_CTL_EXE}"
  !ifdef HX_SETTINGS_EXE
    File "/oname=hxMonitorSettings.exe" "${HX_SETTINGS_EXE}"
    SetShellVarContext all
    CreateShortcut "${SETTINGS_SHORTCUT}" "$INSTDIR\hxMonitorSettings.exe"
  !endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; An install moved by /D= leaves nothing behind in its old folder.
  ${If} $previousDir != ""
  ${AndIf} $previousDir != $INSTDIR
    !insertmacro REMOVE_FILES "$previousDir"
  ${EndIf}

  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\hxMonitor.exe"'

  WriteRegStr HKLM "${ARP_KEY}" "DisplayName" "hxMonitor"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayVersion" "${HX_VERSION}"
  WriteRegStr HKLM "${ARP_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayIcon" "$INSTDIR\hxMonitor.exe,0"
  WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${ARP_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${ARP_KEY}" "EstimatedSize" $0

  ; The finish page offers the start in an interactive install.
  ${If} ${Silent}
    Call StartMonitorIfUserSession
  ${EndIf}
SectionEnd

; StartMonitorAsUser: has the desktop's shell start the monitor, so that it
; runs as the user who owns the desktop, with that user's rights, not the
; installer's. The Windows directory as working directory, as at a logon, so
; that it does not hold the installation folder.
Function StartMonitorAsUser
  SetOutPath "$WINDIR"
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\hxMonitor.exe"'
FunctionEnd

; ReadRunContext: $0 the session this installer runs in, $1 1 when it runs
; as the system account, else 0.
Function ReadRunContext
  Push $2
  Push $3
  Push $4
  System::Call 'kernel32::GetCurrentProcessId() i .r2'
  StrCpy $0 0
  System::Call 'kernel32::ProcessIdToSessionId(i r2, *i .r0) i'
  StrCpy $1 0
  System::Call 'advapi32::OpenProcessToken(p -1, i ${TOKEN_QUERY}, *p .r2) i .r3'
  ${If} $3 <> 0
    ; A TOKEN_USER: the SID's address, its attributes, then the SID itself.
    System::Alloc 256
    Pop $4
    System::Call 'advapi32::GetTokenInformation(p r2, i ${TOKEN_USER_CLASS}, p r4, i 256, *i) i .r3'
    ${If} $3 <> 0
      System::Call '*$4(p .r3)'
      System::Call 'advapi32::IsWellKnownSid(p r3, i ${WIN_LOCAL_SYSTEM_SID}) i .r1'
      ${If} $1 <> 0
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
    System::Free $4
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  !ifdef HX_TEST_FORCED_CONTEXT
    ReadEnvStr $2 HX_SETUP_FORCE_SESSION
    ${If} $2 != ""
      StrCpy $0 $2
    ${EndIf}
    ReadEnvStr $2 HX_SETUP_FORCE_SYSTEM
    ${If} $2 != ""
      StrCpy $1 $2
    ${EndIf}
  !endif
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; StartMonitorIfUserSession: a silent install in a user's session (not
; session 0, not the system account) starts the monitor as the interactive
; install does. In a service's context, a deployment tool's, the shell there
; is nobody's desktop: the next logon starts the monitor.
Function StartMonitorIfUserSession
  Push $0
  Push $1
  Call ReadRunContext
  ${If} $0 <> 0
  ${AndIf} $1 = 0
    DetailPrint "Starting hxMonitor through the shell, as the user of this session"
    Call StartMonitorAsUser
  ${ElseIf} $1 <> 0
    DetailPrint "Running as the system account, on no user's desktop: hxMonitor starts at the next logon"
  ${Else}
    DetailPrint "Running in session 0, on no user's desktop: hxMonitor starts at the next logon"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function un.onInit
  !insertmacro USE_PACKAGE_VIEW
FunctionEnd

; Still-image registrations belong to the platform and other software: they
; stay.
Section "Uninstall"
  Call un.CloseRunningMonitor
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${ARP_KEY}"
  SetShellVarContext all
  Delete "${SETTINGS_SHORTCUT}"
  SetOutPath "$TEMP"
  !insertmacro REMOVE_FILES "$INSTDIR"
SectionEnd
