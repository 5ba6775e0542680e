; The Windows installer, pelmora-setup.exe, built with makensis from the
; Windows build (packaging/windows/CMakeLists.txt passes the defines):
;   VERSION   the project's version ("1.0.0")
;   PROGRAM   pelmora.exe;  TRACE  Trace.dll;  LANGDIR  the shipped translations
;   BINDIR    the program's folder in the install ("bin")
;   DATADIR   the data folder in the install ("share"): the program finds
;             DATADIR\pelmora\lang from its own folder by the same path
;   OUTFILE   the installer to write
; It installs for every user under Program Files, with a Start-menu entry, an
; uninstaller and its "Add or remove programs" key; the uninstaller takes away
; exactly what the installer put there.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"

!define NAME "Pelmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmora"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Pelmora developers"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Pelmora"
    SetOutPath "$INSTDIR\${BINDIR}"
    File "/oname=pelmora.exe" "${PROGRAM}"
    File "/oname=Trace.dll" "${TRACE}"
    SetOutPath "$INSTDIR\${DATADIR}\pelmora\lang"
    File "${LANGDIR}\*.INI"

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${BINDIR}\pelmora.exe" "" \
        "$INSTDIR\${BINDIR}\pelmora.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${BINDIR}\pelmora.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Each file by name, so nothing the user put into the folders goes with them;
; a folder goes only once it is empty.
Section "Uninstall"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$INSTDIR\${BINDIR}\pelmora.exe"
    Delete "$INSTDIR\${BINDIR}\Trace.dll"
    RMDir "$INSTDIR\${BINDIR}"
!include "${LANGLIST}"
    RMDir "$INSTDIR\${DATADIR}\pelmora\lang"
    RMDir "$INSTDIR\${DATADIR}\pelmora"
    RMDir "$INSTDIR\${DATADIR}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
