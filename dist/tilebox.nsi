; The Tilebox installer: the menu, its three libraries and the default skin, installed for every
; user of the PC, with the skin's settings as machine-wide defaults.
;
; Defines handed in by dist/CMakeLists.txt: VERSION, OUT_FILE, ICON, GENERATED_DIR and the paths
; of the four program files TILEBOX_EXE, KIVREL_DLL, OSMANT_DLL, TARVIK_DLL, and of the skin
; checker SKINCHECK_EXE; the skin maker TILESKIN_EXE and its windowed twin TILESKINW_EXE, BIN_DIR (where the font it draws with stands
; beside the programs) and DEFAULT_TILES (the default skin's tiles file, installed as the example).
;
; Command line: /S installs silently; /LOGON with /S also starts the menu at logon (a silent
; install leaves that off unless an earlier install had it on); /D=folder picks the folder.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
ManifestSupportedOS all
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include "${GENERATED_DIR}/default_skin.nsh"

!define PRODUCT "Tilebox"
!define PUBLISHER "Velnor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tilebox"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MENU_CLASS "MorvixFullScreenMenuDemoForVelnorWndClass"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\Velnor\Tilebox"
; An upgrade goes where the first install went. A 64-bit installer reads the 64-bit registry.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\tilebox.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start the menu now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running menu holds tilebox.exe open, so it is closed before its files are replaced or
; removed: with the program's own command word when the program is there, otherwise with the
; WM_CLOSE that command word would post. Then wait (bounded) for the window to go and give the
; process a moment to end and release its files.
!macro CLOSE_RUNNING_MENU
    FindWindow $0 "${MENU_CLASS}"
    ${If} $0 <> 0
        ${If} ${FileExists} "$INSTDIR\tilebox.exe"
            ExecWait '"$INSTDIR\tilebox.exe" Close'
        ${Else}
            SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        ${EndIf}
        StrCpy $1 0
        ${Do}
            Sleep 100
            FindWindow $0 "${MENU_CLASS}"
            IntOp $1 $1 + 1
            ${If} $0 = 0
            ${OrIf} $1 >= 100
                ${ExitDo}
            ${EndIf}
        ${Loop}
        Sleep 1000
    ${EndIf}
!macroend

Function CloseRunningMenu
    !insertmacro CLOSE_RUNNING_MENU
FunctionEnd

Function un.CloseRunningMenu
    !insertmacro CLOSE_RUNNING_MENU
FunctionEnd

Section "Tilebox menu and default skin" SecMenu
    SectionIn RO
    SetRegView 64
    SetShellVarContext all
    Call CloseRunningMenu

    SetOutPath "$INSTDIR"
    File "/oname=tilebox.exe" "${TILEBOX_EXE}"
    File "/oname=Kivrel.dll" "${KIVREL_DLL}"
    File "/oname=Osmant.dll" "${OSMANT_DLL}"
    File "/oname=Tarvik.dll" "${TARVIK_DLL}"
    File "/oname=skincheck.exe" "${SKINCHECK_EXE}"
    File "/oname=tileskin.exe" "${TILESKIN_EXE}"
    File "/oname=tileskinw.exe" "${TILESKINW_EXE}"
    File "${BIN_DIR}/DejaVuSans-Bold.ttf"
    File "${BIN_DIR}/DejaVuSans-Bold-licence.txt"
    File "/oname=default-tiles.ini" "${DEFAULT_TILES}"
    !insertmacro TILEBOX_INSTALL_SKIN_FILES
    !insertmacro TILEBOX_WRITE_DEFAULTS
    ; The menu ships without a remote-control agent: no wait for one at every start. An upgrade
    ; keeps a wait set here since.
    ClearErrors
    ReadRegDWORD $0 HKLM "Software\Velnor\Tilebox" "Agent Wait"
    ${If} ${Errors}
        WriteRegDWORD HKLM "Software\Velnor\Tilebox" "Agent Wait" 0
    ${EndIf}
    ; A person's skin lives in their own local application data. Where that folder has no exact
    ; name in the PC's code page (nor a short one), the skin maker uses a folder of the account's
    ; own below this one, named by its SID. The machine's data folder lets every account make a
    ; folder here that is then that account's alone (its creator owns it; others may read), and
    ; this folder takes those rules over unchanged. Uninstall leaves it, with every person's skin.
    CreateDirectory "$APPDATA\Velnor\Tilebox\Users"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\Tilebox"
    CreateShortcut "$SMPROGRAMS\Tilebox\Tilebox.lnk" "$INSTDIR\tilebox.exe" "" \
        "$INSTDIR\tilebox.exe" 0
    CreateShortcut "$SMPROGRAMS\Tilebox\Close Tilebox.lnk" "$INSTDIR\tilebox.exe" "Close" \
        "$INSTDIR\tilebox.exe" 0
    CreateShortcut "$SMPROGRAMS\Tilebox\Uninstall Tilebox.lnk" "$INSTDIR\uninstall.exe"
    ; A person makes their skin without a command prompt: one entry opens their own tiles file
    ; (Documents\Tilebox\My tiles.ini, made from the example on first use) in their editor, the
    ; other applies it and shows the outcome, or the fault with its line, in a window. The command
    ; line stays for scripts and fleets. An upgrade takes away the earlier command-prompt entry.
    Delete "$SMPROGRAMS\Tilebox\Make a Tilebox skin.lnk"
    CreateShortcut "$SMPROGRAMS\Tilebox\Edit my Tilebox skin.lnk" "$INSTDIR\tileskinw.exe" \
        "--edit" "$INSTDIR\tilebox.exe" 0
    CreateShortcut "$SMPROGRAMS\Tilebox\Apply my Tilebox skin.lnk" "$INSTDIR\tileskinw.exe" \
        "--apply" "$INSTDIR\tilebox.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tilebox.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start the menu when Windows starts" SecLogon
    SetRegView 64
    WriteRegStr HKLM "${RUN_KEY}" "Tilebox" '"$INSTDIR\tilebox.exe"'
SectionEnd

; An upgrade on which the user turned the logon start off takes the earlier value away.
Section "-Logon start off"
    SetRegView 64
    ${IfNot} ${SectionIsSelected} ${SecLogon}
        DeleteRegValue HKLM "${RUN_KEY}" "Tilebox"
    ${EndIf}
SectionEnd

; The logon start is offered ticked on a first interactive install. An upgrade keeps what the
; earlier install chose. A silent install does not put a full-screen, topmost window in front of
; every user at logon unless asked to with /LOGON.
Function .onInit
    SetRegView 64
    ReadRegStr $0 HKLM "${RUN_KEY}" "Tilebox"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${GetParameters} $2
    ClearErrors
    ${GetOptions} $2 "/LOGON" $3
    ${If} ${Errors}
        StrCpy $3 0
    ${Else}
        StrCpy $3 1
    ${EndIf}
    ${If} $0 != ""
    ${OrIf} $3 == 1
        !insertmacro SelectSection ${SecLogon}
    ${ElseIf} $1 != ""
    ${OrIf} ${Silent}
        !insertmacro UnselectSection ${SecLogon}
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Uninstall"
    SetRegView 64
    SetShellVarContext all
    Call un.CloseRunningMenu

    Delete "$INSTDIR\tilebox.exe"
    Delete "$INSTDIR\Kivrel.dll"
    Delete "$INSTDIR\Osmant.dll"
    Delete "$INSTDIR\Tarvik.dll"
    Delete "$INSTDIR\skincheck.exe"
    Delete "$INSTDIR\tileskin.exe"
    Delete "$INSTDIR\tileskinw.exe"
    Delete "$INSTDIR\DejaVuSans-Bold.ttf"
    Delete "$INSTDIR\DejaVuSans-Bold-licence.txt"
    Delete "$INSTDIR\default-tiles.ini"
    ; Skins a person made stay in skins\ (with the program's folder) like their own settings.
    !insertmacro TILEBOX_DELETE_SKIN_FILES
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; The publisher's folder goes too when this was its last product, and only then.
    ${GetParent} "$INSTDIR" $0
    ${If} $0 == "$PROGRAMFILES64\Velnor"
        RMDir "$0"
    ${EndIf}

    Delete "$SMPROGRAMS\Tilebox\Tilebox.lnk"
    Delete "$SMPROGRAMS\Tilebox\Close Tilebox.lnk"
    Delete "$SMPROGRAMS\Tilebox\Uninstall Tilebox.lnk"
    Delete "$SMPROGRAMS\Tilebox\Make a Tilebox skin.lnk"
    Delete "$SMPROGRAMS\Tilebox\Edit my Tilebox skin.lnk"
    Delete "$SMPROGRAMS\Tilebox\Apply my Tilebox skin.lnk"
    RMDir "$SMPROGRAMS\Tilebox"

    ; The machine-wide defaults go; each user's own settings under HKEY_CURRENT_USER stay.
    DeleteRegValue HKLM "${RUN_KEY}" "Tilebox"
    DeleteRegKey HKLM "Software\Velnor\Tilebox"
    DeleteRegKey /ifempty HKLM "Software\Velnor"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
