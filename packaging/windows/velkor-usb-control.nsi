; The Windows installer of Velkor USB Control, for makensis 3 on Linux
; (packaging/windows/make-installer.sh gives the defines below; scripts/package-windows.sh
; runs it on the staged install tree).
;
;   VERSION             the product version, MAJOR.MINOR.PATCH.TWEAK
;   STAGE               the staged install tree: every file of it is installed
;   FILE_LISTS          the folder holding install-files.nsh and uninstall-files.nsh,
;                       made from the staged tree, so that the uninstaller removes
;                       exactly what the installer placed
;   ESTIMATED_SIZE_KIB  the staged tree's size, for "Apps & features"
;   OUTFILE             the installer to write
;   COMPRESSION         "none" for a quick build (tests), or "lzma"
;   ICON                optional: the installer's and the uninstaller's icon
;
; One install per machine, in Program Files. Installing over an earlier install (of any
; version) first runs that install's own uninstaller silently: it removes the files its
; version placed and nothing else, so files a later version no longer ships do not stay
; behind, and whatever the user added to the folder and the user's settings files stay.

Unicode true
Target amd64-unicode
!if "${COMPRESSION}" == "none"
  SetCompress off
!else
  SetCompressor /SOLID lzma
!endif

!define PRODUCT "Velkor USB Control"
!define PUBLISHER "Velkor"
!define PROGRAM "velkor-usb-control.exe"
!define DEMO_PROGRAM "velkor-usb-control-demo.exe"
!define CTL_PROGRAM "velkorctl.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VelkorUSBControl"
!define PROGRAM_SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define DEMO_SHORTCUT "$SMPROGRAMS\${PRODUCT} Demo.lnk"

!include "MUI2.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 Velkor"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed.$\r$\n$\r$\nThe Start menu holds $\"${PRODUCT}$\" for the converters attached to this computer, and $\"${PRODUCT} Demo$\", which shows the panel on three virtual converters, with no converter needed."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

; Windows does not let a running program's file be replaced or deleted: a program of
; the folder that is running would be left half replaced or half removed. A file that
; opens for writing is not running.
!macro PROGRAMS_CLOSED_CHECK PREFIX
Function ${PREFIX}CheckProgramsClosed
  Exch $0  ; the folder
  Push $1
  Push $2
  retry:
  ${ForEach} $1 0 2 + 1
    ${Select} $1
      ${Case} 0
        StrCpy $2 "$0\${PROGRAM}"
      ${Case} 1
        StrCpy $2 "$0\${DEMO_PROGRAM}"
      ${CaseElse}
        StrCpy $2 "$0\${CTL_PROGRAM}"
    ${EndSelect}
    ${IfNot} ${FileExists} $2
      ${Continue}
    ${EndIf}
    ClearErrors
    FileOpen $2 $2 a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then choose Retry." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Quit
    ${EndIf}
    FileClose $2
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro PROGRAMS_CLOSED_CHECK ""
!insertmacro PROGRAMS_CLOSED_CHECK "un."

; The install this machine already has, wherever it went, is removed by its own
; uninstaller, run in place (_?=) so that it finishes before the new files arrive.
Function RemovePreviousInstall
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\${UNINSTALLER}"
    Return
  ${EndIf}
  Push $0
  Call CheckProgramsClosed
  DetailPrint "Removing the earlier install in $0"
  ClearErrors
  ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $1
  ${If} ${Errors}
  ${OrIf} $1 != 0
    MessageBox MB_ICONSTOP "The earlier install in $0 could not be removed (status $1)." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; Run in place, the uninstaller cannot delete itself, nor the folder it is in.
  Delete "$0\${UNINSTALLER}"
  RMDir "$0"
FunctionEnd

Section "${PRODUCT}"
  SectionIn RO
  Call RemovePreviousInstall
  Push $INSTDIR
  Call CheckProgramsClosed
  !include "${FILE_LISTS}/install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The programs save and load their settings files in the folder they start in, and
  ; Program Files is not the user's to write: the shortcuts start them in the profile
  ; folder of whoever starts them (Windows expands the variable then). $OUTDIR, which
  ; names the shortcut's working folder, is set without SetOutPath, which would make
  ; the folder now.
  StrCpy $OUTDIR "%USERPROFILE%"
  CreateShortcut "${PROGRAM_SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 SW_SHOWNORMAL "" \
    "Change the settings of Velkor video converters attached over USB"
  CreateShortcut "${DEMO_SHORTCUT}" "$INSTDIR\${DEMO_PROGRAM}" "" "$INSTDIR\${DEMO_PROGRAM}" 0 SW_SHOWNORMAL "" \
    "The control panel on three virtual converters: try it without a converter"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${ESTIMATED_SIZE_KIB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Every file the install placed, one by one, then each of its folders only if nothing
; else is left in it: a file the user put there keeps its folder.
Section "Uninstall"
  Push $INSTDIR
  Call un.CheckProgramsClosed
  !include "${FILE_LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "${PROGRAM_SHORTCUT}"
  Delete "${DEMO_SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Started from the install folder, the uninstaller runs from a copy of itself in a
  ; folder of the temporary folder, so that it can delete its own file; Windows deletes
  ; both at its next start, in the order they were put on its list. The folder went on
  ; the list before the copy was in it and would be found not empty then: it goes on
  ; the list once more, after the copy.
  ${If} $EXEDIR != $INSTDIR
    RMDir /REBOOTOK "$EXEDIR"
  ${EndIf}
SectionEnd
