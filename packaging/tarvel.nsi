; The per-user installer of Tarvel, built on Linux by scripts/package:
;
;   makensis -DARCH=<x64|x86> -DEXE=<tarvel.exe> -DICON=<tarvel.ico> -DPICTURE=<side.bmp>
;            -DVERSION=<a.b.c.d> -DOUTFILE=<setup.exe> tarvel.nsi
;
; ARCH is the architecture of EXE; the installer itself is built for the same one. Both
; install to the same folder under the same entry, so installing one replaces the other.
; ICON and PICTURE (164 x 314, the welcome and finish pages' side picture) are drawn by the
; build (tools/icon).
;
; It needs no administrator rights: everything goes to the current user's part of the
; system. The program to %LOCALAPPDATA%\Programs\Tarvel, a shortcut to the user's start
; menu, the "Apps & features" entry to HKCU\...\Uninstall\Tarvel and, when chosen, the Run
; value with which Tarvel starts with Windows, the same value its settings card writes.
;
; Command line: /S installs silently; /AUTOSTART also makes Tarvel start with Windows (the
; components page offers the same choice); /D=<folder> (last, NSIS's own) another folder.
; The uninstaller takes /S too; silently it keeps the user's settings.
;
; A running Tarvel is closed before its file is replaced or removed, the way Windows' restart
; manager closes programs for an update: WM_QUERYENDSESSION and WM_ENDSESSION with
; ENDSESSION_CLOSEAPP to its application window (class TarvelApplication), which then ends
; as it does when the session ends. An installer that closed it starts it again. Only the
; Tarvel that runs from the file being replaced or removed is closed: a copy that runs from
; another folder (a portable one) is left running, and the log says so.

!ifndef ARCH | EXE | ICON | PICTURE | VERSION | OUTFILE
  !error "define ARCH, EXE, ICON, PICTURE, VERSION and OUTFILE (scripts/package does)"
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x64 or x86, not ${ARCH}"
!endif
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

; The version the installer records is the one in the program's version resource.
!getdllversion "${EXE}" ExeVersion_
!define FILE_VERSION "${ExeVersion_1}.${ExeVersion_2}.${ExeVersion_3}.${ExeVersion_4}"
!if "${VERSION}" != "${FILE_VERSION}"
  !error "VERSION ${VERSION} is not the version of ${EXE} (${FILE_VERSION})"
!endif

!define PUBLISHER "Nusk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Nusk\Tarvel"
!define APPLICATION_WINDOW_CLASS "TarvelApplication"
!define ENDSESSION_CLOSEAPP 1

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

Name "Tarvel"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tarvel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tarvel ${VERSION} (${ARCH})"
ShowInstDetails show
ShowUninstDetails show

Var WasRunning  ; 1 when a running Tarvel was closed
Var Restarted   ; 1 when the installer started it again
Var OtherCopyNamed ; 1 once the log named a Tarvel that runs from another folder

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_WELCOMEPAGE_TEXT "This installs Tarvel ${VERSION} for you alone; it needs no administrator rights.$\r$\n$\r$\nIf the installed Tarvel is running, it is closed while its file is replaced and started again afterwards; a copy that runs from another folder is left running. Your settings are kept.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Tarvel now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTarvelFromFinishPage
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Tarvel"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Tarvel ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

; A running Tarvel is found by its application window; which file it runs from tells this
; copy from another one (a portable copy unpacked elsewhere), which is left alone.
!macro DEFINE_CLOSE_RUNNING_TARVEL PREFIX
; The file the program of window $R0 runs from, in its long form, into $R1; "" when that
; cannot be read. Uses $R2 to $R5.
Function ${PREFIX}ProgramOfWindow
  StrCpy $R1 ""
  System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
  ; PROCESS_QUERY_LIMITED_INFORMATION
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i R2) p .R3'
  ${If} $R3 P<> 0
    System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN}) i .R5'
    System::Call 'kernel32::CloseHandle(p R3)'
    ${If} $R5 <> 0
      StrCpy $R1 $R4
      System::Call 'kernel32::GetLongPathNameW(w R4, w .R4, i ${NSIS_MAX_STRLEN}) i .R5'
      ${If} $R5 > 0
      ${AndIf} $R5 < ${NSIS_MAX_STRLEN}
        StrCpy $R1 $R4
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; The application window of the Tarvel that runs from $INSTDIR\tarvel.exe into $R0, 0 when
; none does. Every other Tarvel found on the way is named in the log once. A Tarvel whose
; file cannot be read counts as this copy when $INSTDIR\tarvel.exe is in use. Uses $R1 to
; $R7.
Function ${PREFIX}FindThisTarvel
  StrCpy $R6 "$INSTDIR\tarvel.exe"
  System::Call 'kernel32::GetLongPathNameW(w R6, w .R7, i ${NSIS_MAX_STRLEN}) i .R5'
  ${If} $R5 > 0
  ${AndIf} $R5 < ${NSIS_MAX_STRLEN}
    StrCpy $R6 $R7
  ${EndIf}
  StrCpy $R0 0
  ${Do}
    FindWindow $R0 "${APPLICATION_WINDOW_CLASS}" "" 0 $R0
    ${If} $R0 = 0
      Return
    ${EndIf}
    Call ${PREFIX}ProgramOfWindow
    ${If} $R1 == $R6
      Return
    ${ElseIf} $R1 == ""
      ${If} ${FileExists} $R6
        ClearErrors
        FileOpen $R2 $R6 a
        ${If} ${Errors}
          Return
        ${EndIf}
        FileClose $R2
      ${EndIf}
      ${If} $OtherCopyNamed <> 1
        DetailPrint "Another copy of Tarvel is running; it is left running"
        StrCpy $OtherCopyNamed 1
      ${EndIf}
    ${ElseIf} $OtherCopyNamed <> 1
      DetailPrint "Another copy of Tarvel is running from $R1; it is left running"
      StrCpy $OtherCopyNamed 1
    ${EndIf}
  ${Loop}
FunctionEnd

; Closes the Tarvel that runs from the file about to be replaced or removed and waits until
; it has ended and let go of the file; $WasRunning tells whether one ran. When it does not
; end within 10 seconds the user may try again (after quitting it from the tray menu); a
; silent run gives up, and so does the installation (exit code 2), before anything was
; changed.
Function ${PREFIX}CloseRunningTarvel
  StrCpy $WasRunning 0
  Call ${PREFIX}FindThisTarvel
  ${If} $R0 = 0
    Return
  ${EndIf}
  StrCpy $WasRunning 1
  DetailPrint "Closing the running Tarvel"
  ${Do}
    ${If} $R0 <> 0
      SendMessage $R0 ${WM_QUERYENDSESSION} 0 ${ENDSESSION_CLOSEAPP} /TIMEOUT=5000
      SendMessage $R0 ${WM_ENDSESSION} 1 ${ENDSESSION_CLOSEAPP} /TIMEOUT=5000
    ${EndIf}
    ; The window goes first, the process and its hold on the file a moment later.
    StrCpy $1 0
    ${Do}
      System::Call 'user32::IsWindow(p R0) i .R5'
      ${If} $R5 = 0
        ${IfNot} ${FileExists} "$INSTDIR\tarvel.exe"
          Return
        ${EndIf}
        ClearErrors
        FileOpen $2 "$INSTDIR\tarvel.exe" a
        ${IfNot} ${Errors}
          FileClose $2
          Return
        ${EndIf}
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 100
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tarvel is still running. Quit it from its tray menu, then choose Retry." /SD IDCANCEL IDRETRY retry
    DetailPrint "Tarvel did not quit; nothing was changed"
    SetErrorLevel 2
    Abort
    retry:
    Call ${PREFIX}FindThisTarvel
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_TARVEL ""
!insertmacro DEFINE_CLOSE_RUNNING_TARVEL "un."

; The Run value's data for this copy: its full path in double quotes, as Tarvel writes it.
!define RUN_COMMAND '"$INSTDIR\tarvel.exe"'

Section "Tarvel" SecProgram
  SectionIn RO
  Call CloseRunningTarvel
  SetOutPath "$INSTDIR"
  File "/oname=tarvel.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tarvel.lnk" "$INSTDIR\tarvel.exe" "" "$INSTDIR\tarvel.exe" 0 \
    SW_SHOWNORMAL "" "Copy text and images from any screen, OCR, and a clipboard history"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tarvel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarvel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "Start with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Tarvel" '${RUN_COMMAND}'
SectionEnd

Section "-Finish"
  ; The components page showed whether this copy starts with Windows; turning that off
  ; there removes its Run value. A value for another copy is left alone.
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Tarvel"
    ${If} $0 == '${RUN_COMMAND}'
    ${OrIf} $0 == "$INSTDIR\tarvel.exe"
      DeleteRegValue HKCU "${RUN_KEY}" "Tarvel"
    ${EndIf}
  ${EndIf}
  ${If} $WasRunning = 1
    DetailPrint "Starting Tarvel again"
    Exec '${RUN_COMMAND}'
    StrCpy $Restarted 1
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $WasRunning 0
  StrCpy $Restarted 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${Else}
    ; An upgrade keeps the choice: already on when this copy starts with Windows.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Tarvel"
    ${If} $0 == '${RUN_COMMAND}'
    ${OrIf} $0 == "$INSTDIR\tarvel.exe"
      !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartTarvelFromFinishPage
  ; A Tarvel started again by the installer already runs (a second one would end at once).
  ${If} $Restarted <> 1
    Exec '${RUN_COMMAND}'
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningTarvel
  ReadRegStr $0 HKCU "${RUN_KEY}" "Tarvel"
  ${If} $0 == '${RUN_COMMAND}'
  ${OrIf} $0 == "$INSTDIR\tarvel.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "Tarvel"
  ${EndIf}
  Delete "$SMPROGRAMS\Tarvel.lnk"
  Delete "$INSTDIR\tarvel.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your Tarvel settings too?$\r$\n$\r$\nThey stay in your registry (HKEY_CURRENT_USER\${SETTINGS_KEY}) for a later installation unless you remove them." /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Nusk"
    DetailPrint "Settings removed"
  keep:
SectionEnd
