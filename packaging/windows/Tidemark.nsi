; The Windows installer of Tidemark, built by scripts/package.sh:
;
;   makensis -DVERSION=0.82 -DVERSION_NUMBERS=0.82.0.0 -DSTAGE=DIR -DICON=FILE -DOUTFILE=FILE Tidemark.nsi
;
; STAGE holds what is installed: Tidemark.exe, tidemark-cli.exe, README.txt,
; LICENSE.txt, THIRD-PARTY-NOTICES.txt and the folder poppler-data (the PDF
; library's character maps, which the programs find beside them).
;
; Installs for all users into Program Files\Tidemark, with a Start-menu
; shortcut, an entry in Apps & Features and, when chosen, the machine-wide
; start-with-system value that the program's own settings page reads and
; writes. The uninstaller takes all of that away again, with the per-user
; start-with-system values that the settings page writes for users who may
; not change the machine-wide one, and nothing else: the user's settings
; (HKCU\Software\Brightfold\Tidemark) and the rename journal
; (%LOCALAPPDATA%\Tidemark) stay.

Target amd64-unicode

!ifndef VERSION | VERSION_NUMBERS | STAGE | ICON | OUTFILE
  !error "Define VERSION, VERSION_NUMBERS, STAGE, ICON and OUTFILE (see scripts/package.sh)"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidemark"
; The value that starts the program at logon: exactly the executable's path,
; without quotes or arguments, which is how the settings page writes it and
; the only form in which it shows the option ticked.
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Tidemark"
; What a running Tidemark is known by: the single-instance mutex, and the
; hidden main frame ("Tidemark", of a window class named "TidemarkFrame:...")
; that takes the Exit command of its icon's menu.
!define INSTANCE_MUTEX "BrightfoldTidemarkMutex"
!define FRAME_TITLE "Tidemark"
!define FRAME_CLASS_PREFIX "TidemarkFrame:"
!define ID_APP_EXIT 57665
!define SYNCHRONIZE 0x00100000

Name "Tidemark"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tidemark"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The machine-wide start-with-system value and Program Files both need it.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Tidemark ${VERSION}"

VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1033 "ProductName" "Tidemark"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "Brightfold"
VIAddVersionKey /LANG=1033 "FileDescription" "Tidemark ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) Brightfold. GNU General Public License, version 2 or later."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

; The GPL asks for no acceptance: the page only shows it.
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "What you may do with Tidemark."
!define MUI_LICENSEPAGE_TEXT_TOP "Tidemark is free software. Its licence lets you use it for any purpose:"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You need not accept this licence to install or use Tidemark; it tells you what you may do when you pass the program on."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Tidemark"
!define MUI_FINISHPAGE_RUN_FUNCTION RunTidemark
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller ("un." copies).

; Deletes the start-with-system value of ROOT\KEY when it names this
; installation's Tidemark.exe (in any letter case, quoted or not). Uses $0.
!macro DELETE_RUN_VALUE_IF_OURS ROOT KEY
  ReadRegStr $0 ${ROOT} "${KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\Tidemark.exe"
  ${OrIf} $0 == '"$INSTDIR\Tidemark.exe"'
    DeleteRegValue ${ROOT} "${KEY}" "${RUN_VALUE}"
  ${EndIf}
!macroend

!macro SHARED_FUNCTIONS un
; Ends a running Tidemark through the Exit command of its icon's menu, as the
; user would, and waits for the process to end (a run in progress stops after
; the file it is on). A Tidemark that cannot end now, because its settings
; sheet, its About box or one of its messages is open (the frame is disabled
; then, and Exit would wait for the window), is reported: the user may close
; that window and retry. Aborts on Cancel, and at once in silent mode.
Function ${un}EndRunningTidemark
  Push $0
  Push $1
  Push $2
  Push $3
  retry:
  StrCpy $0 0
  find:
    System::Call 'user32::FindWindowExW(p 0, p r0, p 0, w "${FRAME_TITLE}") p .r0'
    ${If} $0 P<> 0
      System::Call 'user32::GetClassNameW(p r0, w .r1, i ${NSIS_MAX_STRLEN})'
      StrCpy $1 $1 14
      ${If} $1 != "${FRAME_CLASS_PREFIX}"
        Goto find
      ${EndIf}
      System::Call 'user32::IsWindowEnabled(p r0) i .r1'
      ${If} $1 <> 0
        DetailPrint "Ending the running Tidemark"
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r2)'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r3'
        System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${ID_APP_EXIT}, p 0)'
        ${If} $3 P<> 0
          System::Call 'kernel32::WaitForSingleObject(p r3, i 30000)'
          System::Call 'kernel32::CloseHandle(p r3)'
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ; Only one Tidemark runs in a session; its mutex goes with its process.
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Tidemark is running and cannot be ended now.$\r$\n$\r$\nClose its Settings, About or message window and choose Retry, or end Tidemark from its icon's menu (Exit)." \
      /SD IDCANCEL IDRETRY retry
    Abort "Tidemark is still running."
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes the machine-wide start-with-system value when it names this
; installation's Tidemark.exe: a value naming another copy of the program is
; the user's and stays.
Function ${un}RemoveRunValueIfOurs
  Push $0
  !insertmacro DELETE_RUN_VALUE_IF_OURS HKLM "${RUN_KEY}"
  Pop $0
FunctionEnd

Function ${un}RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Tidemark is installed for all users: please run this program as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
FunctionEnd
!macroend

!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------
; Installer

Section "Tidemark" SecProgram
  SectionIn RO
  SetShellVarContext all
  Call EndRunningTidemark
  SetOutPath "$INSTDIR"
  File "${STAGE}/Tidemark.exe"
  File "${STAGE}/tidemark-cli.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  File "${STAGE}/THIRD-PARTY-NOTICES.txt"
  ; Anew: maps an older version carried and this one does not go.
  RMDir /r "$INSTDIR\poppler-data"
  SetOutPath "$INSTDIR\poppler-data"
  File /r "${STAGE}/poppler-data/*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tidemark.lnk" "$INSTDIR\Tidemark.exe" "" "$INSTDIR\Tidemark.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tidemark"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brightfold"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tidemark.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://brightfold.example/tidemark"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start Tidemark when I log on" SecLogon
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\Tidemark.exe"
SectionEnd

; Unticked: a value that names this installation goes (the user turned the
; start at logon off); one that names another copy stays.
Section "-StartAtLogonOff"
  ${IfNot} ${SectionIsSelected} ${SecLogon}
    Call RemoveRunValueIfOurs
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The tray program Tidemark.exe and the command-line program tidemark-cli.exe, with the character maps that read Chinese, Japanese and Korean fonts."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "Windows starts Tidemark for every user who logs on. The program's settings can change this later."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 64
  Call RequireAdministrator
  ; Over an installed version the option keeps its state: it is ticked only
  ; when the start-with-system value names that installation's program.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    ReadRegStr $1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $1 != "$0\Tidemark.exe"
      !insertmacro UnselectSection ${SecLogon}
    ${EndIf}
  ${EndIf}
FunctionEnd

; Started through Explorer, Tidemark runs as the user who is logged on, not
; with the installer's administrator rights.
Function RunTidemark
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Tidemark.exe"'
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

; The per-user start-with-system values that name this installation: the
; settings page writes one for a user who may not change the machine-wide
; value. Those of this user and of every user whose hive is loaded now
; (logged on); a value naming another copy stays.
Function un.RemoveUserRunValuesIfOurs
  Push $0
  Push $1
  Push $2
  !insertmacro DELETE_RUN_VALUE_IF_OURS HKCU "${RUN_KEY}"
  StrCpy $1 0
  ${Do}
    EnumRegKey $2 HKU "" $1
    ${If} $2 == ""
      ${Break}
    ${EndIf}
    !insertmacro DELETE_RUN_VALUE_IF_OURS HKU "$2\${RUN_KEY}"
    IntOp $1 $1 + 1
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function un.onInit
  SetRegView 64
  Call un.RequireAdministrator
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.EndRunningTidemark
  Delete "$INSTDIR\Tidemark.exe"
  Delete "$INSTDIR\tidemark-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  RMDir /r "$INSTDIR\poppler-data"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tidemark.lnk"
  Call un.RemoveRunValueIfOurs
  Call un.RemoveUserRunValuesIfOurs
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
