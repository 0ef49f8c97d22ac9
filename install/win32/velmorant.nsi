; The Windows setup program: the programs of the zip, the README and the licences, installed
; for the current user only, so that no administrator is asked. Built by `make windows`:
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.32 -DSTAGE=<the zip's folder> -DOUTFILE=<exe>
;            [-DDESKTOP] velmorant.nsi
;
; DESKTOP is defined when the build has the desktop program (velmorant.exe); without it
; there is nothing to open logs with, so no program shortcut and no "Open with" entry.
; The uninstaller removes what any version of this script adds, whatever it was built with.
Unicode true
Target amd64-unicode ; the programs are 64-bit only
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmorant"
!define SETTINGS_KEY "Software\Velmorant" ; the desktop program's own settings
!define CLASSES "Software\Classes"
!define MENU "$SMPROGRAMS\Velmorant"

Name "Velmorant ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmorant"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" InstallLocation

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 ProductName "Velmorant"
VIAddVersionKey /LANG=0 CompanyName "Velmorant"
VIAddVersionKey /LANG=0 FileDescription "Velmorant ${VERSION} Setup"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 LegalCopyright "© the Velmorant developers"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The pages follow the user's Windows language; English where it is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString ProgramComment ${LANG_ENGLISH} "Reverses, cuts and merges saved board logs"
LangString ProgramComment ${LANG_JAPANESE} "保存した掲示板のログを逆順にし、切り詰め、結合します"
LangString ReadmeComment ${LANG_ENGLISH} "How to use Velmorant, and the licences"
LangString ReadmeComment ${LANG_JAPANESE} "Velmorant の使い方とライセンス"

; Offers velmorant.exe in Explorer's "Open with" for one extension. The extension's default
; program (its key's default value, its UserChoice) is the user's and is never written.
!macro OfferOpenWith EXT
  WriteRegStr HKCU "${CLASSES}\Applications\velmorant.exe\SupportedTypes" "${EXT}" ""
  WriteRegStr HKCU "${CLASSES}\${EXT}\OpenWithList\velmorant.exe" "" ""
!macroend

; Takes the offer back, and the keys that held it when nothing else is in them.
!macro ForgetOpenWith EXT
  DeleteRegKey HKCU "${CLASSES}\${EXT}\OpenWithList\velmorant.exe"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}\OpenWithList"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}"
!macroend

Section
  SetOutPath "$INSTDIR"
  File "${STAGE}\velmorant-cli.exe"
  File "${STAGE}\README.md"
  SetOutPath "$INSTDIR\licences"
  File "${STAGE}\licences\velmorant.txt"
  File "${STAGE}\licences\mingw-w64-runtime.txt"
  File "${STAGE}\licences\gcc-runtime.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${MENU}"
  ; Notepad, as Windows opens no .md file by itself.
  CreateShortcut "${MENU}\README.lnk" "$WINDIR\notepad.exe" '"$INSTDIR\README.md"' \
    "" "" "" "" "$(ReadmeComment)"

!ifdef DESKTOP
  File "${STAGE}\velmorant.exe"
  CreateShortcut "${MENU}\Velmorant.lnk" "$INSTDIR\velmorant.exe" "" "" "" "" "" \
    "$(ProgramComment)"
  WriteRegStr HKCU "${CLASSES}\Applications\velmorant.exe" "FriendlyAppName" "Velmorant"
  WriteRegStr HKCU "${CLASSES}\Applications\velmorant.exe\shell\open\command" "" \
    '"$INSTDIR\velmorant.exe" "%1"'
  !insertmacro OfferOpenWith ".html"
  !insertmacro OfferOpenWith ".htm"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\velmorant.exe",0'
  ; Explorer reads the changed "Open with" lists now rather than at the next logon.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!endif

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velmorant"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Velmorant"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Named files only, never the whole folder: the user may have installed into a folder that
; holds files of their own.
Section "Uninstall"
  Delete "$INSTDIR\velmorant.exe"
  Delete "$INSTDIR\velmorant-cli.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\licences\velmorant.txt"
  Delete "$INSTDIR\licences\mingw-w64-runtime.txt"
  Delete "$INSTDIR\licences\gcc-runtime.txt"
  RMDir "$INSTDIR\licences"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU}\Velmorant.lnk"
  Delete "${MENU}\README.lnk"
  RMDir "${MENU}"

  DeleteRegKey HKCU "${CLASSES}\Applications\velmorant.exe"
  DeleteRegKey /ifempty HKCU "${CLASSES}\Applications"
  !insertmacro ForgetOpenWith ".html"
  !insertmacro ForgetOpenWith ".htm"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The first program installed for this user alone made this key.
  DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
SectionEnd
