; The Windows setup of the TAVR_12864 control program: installs tavr-12864.exe (and, when given,
; the command-line companion tavr-12864-cli.exe) for the current user or for all users, with a
; Start-menu shortcut and an uninstaller.
; makensis -DVERSION=1.1.0 -DPROGRAM=path\to\tavr-12864.exe [-DCOMPANION=path\to\tavr-12864-cli.exe]
;          -DOUTFILE=setup.exe tavr-12864.nsi
; Silent: setup.exe /S [/AllUsers | /CurrentUser] [/D=folder]; uninstall.exe /S.
;
; For the current user is the default, silent or not: %LOCALAPPDATA%\Programs\TAVR_12864, the
; user's Start menu and the uninstall entry under HKCU, with no administrator rights asked for.
; For all users (/AllUsers, or the choice on the first page, which only an elevated setup shows)
; it goes under Program Files, the common Start menu and HKLM; that needs a setup run as
; administrator. A setup run as administrator keeps the mode of an installation it finds.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "TAVR_12864"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh

Name "${PRODUCT} Modbus control program ${VERSION}"
OutFile "${OUTFILE}"
; MultiUser.nsh asks for the highest rights the user has, which makes Windows prompt an
; administrator for elevation even for the per-user default. The setup runs with the rights it
; was started with instead; an administrator who wants /AllUsers starts it elevated.
RequestExecutionLevel user

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

; /AllUsers in a setup or uninstaller without administrator rights: fail with
; ERROR_ELEVATION_REQUIRED, which a silent caller can read, instead of MultiUser.nsh's message
; box, which would wait for a click even in a silent run.
!macro REFUSE_ALL_USERS_WITHOUT_RIGHTS PREFIX STRPREFIX WHAT
Function ${PREFIX}RefuseAllUsersWithoutRights
    ${${PREFIX}GetParameters} $1
    ${${STRPREFIX}StrStr} $2 $1 "/AllUsers"
    ${If} $2 == ""
        Return
    ${EndIf}
    UserInfo::GetAccountType
    Pop $2
    ${If} $2 != "Admin"
    ${AndIf} $2 != "Power"
        MessageBox MB_OK|MB_ICONSTOP \
            "${WHAT} for all users needs administrator rights: start it as administrator." \
            /SD IDOK
        SetErrorLevel 740
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_ALL_USERS_WITHOUT_RIGHTS "" "" "Installing"
!insertmacro REFUSE_ALL_USERS_WITHOUT_RIGHTS "un." "Un" "Removing the installation"

; A folder given with /D wins over the default folder of the install mode.
Function .onInit
    StrCpy $0 $INSTDIR
    Call RefuseAllUsersWithoutRights
    !insertmacro MULTIUSER_INIT
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
FunctionEnd

Function un.onInit
    Call un.RefuseAllUsersWithoutRights
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Program"
    SetOutPath "$INSTDIR"
    File "/oname=tavr-12864.exe" "${PROGRAM}"
!ifdef COMPANION
    File "/oname=tavr-12864-cli.exe" "${COMPANION}"
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\tavr-12864.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} Modbus control program"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavr-12864.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
        '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The program's own settings (HKCU\Software\TAVR_12864) are the user's and stay.
Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    Delete "$INSTDIR\tavr-12864.exe"
    Delete "$INSTDIR\tavr-12864-cli.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
