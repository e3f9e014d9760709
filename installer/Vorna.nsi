; The Windows installer of Lirel (Vorna), built by scripts/release.sh:
;   makensis -DVERSION=1.2.3 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> Vorna.nsi
; The stage folder holds Vorna.exe, GUIDE.txt, LICENSE.txt, super.vendu and, when built, vendu.exe.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!ifndef VERSION
  !error "VERSION is not defined: pass -DVERSION=<x.y.z>"
!endif
!ifndef STAGE
  !error "STAGE is not defined: pass -DSTAGE=<folder with the files to install>"
!endif
!ifndef OUTFILE
  !define OUTFILE "Vorna-${VERSION}-setup.exe"
!endif
; Windows version resources want four numbers.
!ifndef VI_VERSION
  !define VI_VERSION "${VERSION}.0"
!endif

!define PRODUCT "Lirel"
!define PUBLISHER "The Vorna developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorna"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The file type of entry files: Explorer opens them with the program, which loads the file
; (or hands it to the copy that runs already).
!define CLASSES "Software\Classes"
!define PROGID "Lirel.vendu"
!define FILE_TYPE_NAME "Lirel 问答笔记"
!define OPEN_COMMAND "$\"$INSTDIR\Vorna.exe$\" $\"%1$\""
; SHCNE_ASSOCCHANGED: Explorer shows the new type and icon without a restart.
!define NOTIFY_ASSOCIATIONS "shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vorna"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VI_VERSION}"
VIFileVersion "${VI_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) ${PUBLISHER}, MIT License"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\GUIDE.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback when the system's own is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString ShortcutDescription ${LANG_SIMPCHINESE} "问答笔记速查"
LangString ShortcutDescription ${LANG_ENGLISH} "Question-and-answer notes lookup"

Section "Lirel" SecMain
  SectionIn RO
  SetRegView 64

  SetOutPath "$INSTDIR"
  File "${STAGE}\Vorna.exe"
  !if /FileExists "${STAGE}\vendu.exe"
    File "${STAGE}\vendu.exe"
  !endif
  File "${STAGE}\GUIDE.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program loads super.vendu from its working folder, and each user's notes belong in
  ; their own Documents folder, so the shortcut and the example are per user.
  SetShellVarContext current
  SetOutPath "$DOCUMENTS"
  ; A user's own notes are never replaced by the example.
  IfFileExists "$DOCUMENTS\super.vendu" example_done
    File "${STAGE}\super.vendu"
  example_done:
  ; CreateShortCut takes the current output folder as the shortcut's working folder.
  CreateShortCut "${SHORTCUT}" "$INSTDIR\Vorna.exe" "" "$INSTDIR\Vorna.exe" 0 SW_SHOWNORMAL "" "$(ShortcutDescription)"

  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "${FILE_TYPE_NAME}"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$\"$INSTDIR\Vorna.exe$\",0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" "${OPEN_COMMAND}"
  WriteRegStr HKLM "${CLASSES}\.vendu" "" "${PROGID}"
  System::Call "${NOTIFY_ASSOCIATIONS}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\Vorna.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Removes exactly what the installer put down. Entry files (*.vendu) are the user's notes:
; none is ever deleted, and a folder that still holds one stays.
Section "Uninstall"
  SetRegView 64

  Delete "$INSTDIR\Vorna.exe"
  Delete "$INSTDIR\vendu.exe"
  Delete "$INSTDIR\GUIDE.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext current
  Delete "${SHORTCUT}"

  ; The file type goes only while it still opens this program: another program, or a copy
  ; installed elsewhere, may have taken it over since.
  ReadRegStr $0 HKLM "${CLASSES}\${PROGID}\shell\open\command" ""
  StrCmp $0 "${OPEN_COMMAND}" 0 file_type_done
    DeleteRegKey HKLM "${CLASSES}\${PROGID}"
    ReadRegStr $0 HKLM "${CLASSES}\.vendu" ""
    StrCmp $0 "${PROGID}" 0 file_type_notified
      DeleteRegValue HKLM "${CLASSES}\.vendu" ""
      DeleteRegKey /ifempty HKLM "${CLASSES}\.vendu"
    file_type_notified:
    System::Call "${NOTIFY_ASSOCIATIONS}"
  file_type_done:

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
