; The per-user installer of the Windows programs: no administrator rights,
; into %LOCALAPPDATA%\Programs\Quillmer, a Start menu entry, "Open with" for
; CSV files, and an uninstaller listed in Settings > Apps. Texts in Japanese
; for a Japanese Windows, in English otherwise.
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3.4 -DSTAGE=DIR -DOUTFILE=FILE quillmer.nsi
; STAGE holds Quillmer.exe, quillmer-convert.exe, readme.txt and zoneinfo\.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quillmer"
!define PUBLISHER "Quillmer developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmer"
!define APPLICATION_KEY "Software\Classes\Applications\Quillmer.exe"
!define OPEN_WITH_KEY "Software\Classes\.csv\OpenWithList\Quillmer.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillmer"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2024 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmer.exe"
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for every Windows not in Japanese.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString OpenWithName ${LANG_ENGLISH} "Quillmer (CSV to vCalendar)"
LangString OpenWithName ${LANG_JAPANESE} "Quillmer (CSV を vCalendar に変換)"
LangString ProgramSection ${LANG_ENGLISH} "Quillmer"
LangString ProgramSection ${LANG_JAPANESE} "Quillmer"
LangString SettingsSection ${LANG_ENGLISH} "Also remove my settings, option and filter lines"
LangString SettingsSection ${LANG_JAPANESE} "設定、オプション、フィルタも削除する"

Section "Quillmer" ProgramFiles
  SetOutPath "$INSTDIR"
  File "${STAGE}\Quillmer.exe"
  File "${STAGE}\quillmer-convert.exe"
  File "${STAGE}\readme.txt"
  File /r "${STAGE}\zoneinfo"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Quillmer.lnk" "$INSTDIR\Quillmer.exe"

  ; "Open with" for CSV files; the default program of .csv stays the user's.
  WriteRegStr HKCU "${APPLICATION_KEY}" "FriendlyAppName" "$(OpenWithName)"
  WriteRegStr HKCU "${APPLICATION_KEY}\SupportedTypes" ".csv" ""
  WriteRegStr HKCU "${APPLICATION_KEY}\DefaultIcon" "" "$INSTDIR\Quillmer.exe,0"
  WriteRegStr HKCU "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\Quillmer.exe" "%1"'
  WriteRegStr HKCU "${OPEN_WITH_KEY}" "" ""

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillmer"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmer.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; What the installer put there, and only that: the settings and side files the
; program wrote beside itself stay unless the box below is ticked.
Section "un.$(ProgramSection)" UninstallProgram
  SectionIn RO
  Delete "$INSTDIR\Quillmer.exe"
  Delete "$INSTDIR\quillmer-convert.exe"
  Delete "$INSTDIR\readme.txt"
  RMDir /r "$INSTDIR\zoneinfo"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Quillmer.lnk"
  DeleteRegKey HKCU "${APPLICATION_KEY}"
  DeleteRegKey HKCU "${OPEN_WITH_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Classes\.csv\OpenWithList"
  DeleteRegKey /ifempty HKCU "Software\Classes\.csv"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd

!macro RemoveSettingsIn DIR
  Delete "${DIR}\Quillmer.ini"
  Delete "${DIR}\option.txt"
  Delete "${DIR}\filter.txt"
  RMDir "${DIR}"
!macroend

; Beside the program, or in %APPDATA%\Quillmer where it could not write.
Section /o "un.$(SettingsSection)" UninstallSettings
  !insertmacro RemoveSettingsIn "$INSTDIR"
  !insertmacro RemoveSettingsIn "$APPDATA\Quillmer"
SectionEnd
