; The Windows installer: one file for 64-bit and 32-bit Windows.
; On a 64-bit system it installs the 64-bit plug-ins (VST 3 into
; Common Files\VST3, CLAP into Common Files\CLAP, the VST 2 DLL into a folder
; the user picks) and, when asked, the 32-bit ones for 32-bit hosts; on a
; 32-bit system only the 32-bit ones. The user's defaults file is never touched.
;
; Command line (all optional; /S runs silently):
;   /VST2DIR=<folder>    the 64-bit VST 2 folder (default C:\Program Files\VSTPlugins);
;                        a folder with spaces in quotes: /VST2DIR="D:\My Plugins"
;   /VST2DIR32=<folder>  the 32-bit VST 2 folder (default C:\Program Files (x86)\VSTPlugins)
;   /WITH32              also install the 32-bit plug-ins on a 64-bit system
; Built by scripts/buildInstaller.sh: makensis -DVERSION=... -DSTAGE=... -DOUTFILE=...
; (-DHAVE_VST3, -DHAVE_CLAP when those builds are staged).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Orvalt"
!define MAKER "Quillmarsh"
!define SETTINGS_KEY "Software\${MAKER}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${MAKER} ${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
BrandingText "${MAKER} ${PRODUCT} ${VERSION}"

Var Vst2Dir
Var Vst2Dir32

!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Dir
!define MUI_DIRECTORYPAGE_TEXT_TOP "The folder for the 64-bit VST 2 plug-in. Your host must scan it (most hosts let you add folders to their plug-in search)."
!define MUI_PAGE_HEADER_TEXT "VST 2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "64-bit plug-ins (VST 2, VST 3, CLAP)" Section64
  SetOutPath "$Vst2Dir"
  File "${STAGE}\win64\Orvalt.dll"
!ifdef HAVE_VST3
  SetOutPath "$COMMONFILES64\VST3\Orvalt.vst3\Contents\x86_64-win"
  File "${STAGE}\win64\Orvalt.vst3"
!endif
!ifdef HAVE_CLAP
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}\win64\Orvalt.clap"
!endif
  WriteRegStr HKLM "${SETTINGS_KEY}" "Vst2Dir" "$Vst2Dir"
SectionEnd

Section /o "32-bit plug-ins for 32-bit hosts" Section32
  SetOutPath "$Vst2Dir32"
  File "${STAGE}\win32\Orvalt.dll"
!ifdef HAVE_VST3
  SetOutPath "$COMMONFILES32\VST3\Orvalt.vst3\Contents\x86-win"
  File "${STAGE}\win32\Orvalt.vst3"
!endif
!ifdef HAVE_CLAP
  SetOutPath "$COMMONFILES32\CLAP"
  File "${STAGE}\win32\Orvalt.clap"
!endif
  WriteRegStr HKLM "${SETTINGS_KEY}" "Vst2Dir32" "$Vst2Dir32"
SectionEnd

Section "-uninstaller"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Reads a folder option into $R1 (errors set when absent): /NAME=folder,
; /NAME="folder with spaces" as typed in cmd, or "/NAME=folder with spaces" as
; programs that quote whole arguments (and Wine) pass it.
; ($R0 holds the parameters without their quotes: a value runs to the next " /".)
!macro FolderOption NAME
  ClearErrors
  ${GetOptions} $R0 "/${NAME}=" $R1
!macroend

Function .onInit
  ${GetParameters} $R0
  ${WordReplace} $R0 '"' '' "+" $R0
  StrCpy $Vst2Dir "$PROGRAMFILES64\VSTPlugins"
  StrCpy $Vst2Dir32 "$PROGRAMFILES32\VSTPlugins"
  !insertmacro FolderOption VST2DIR
  ${IfNot} ${Errors}
    StrCpy $Vst2Dir $R1
  ${EndIf}
  !insertmacro FolderOption VST2DIR32
  ${IfNot} ${Errors}
    StrCpy $Vst2Dir32 $R1
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
    ClearErrors
    ${GetOptions} $R0 "/WITH32" $R1
    ${IfNot} ${Errors}
      SectionSetFlags ${Section32} ${SF_SELECTED}
    ${EndIf}
  ${Else}
    ; A 32-bit system: only the 32-bit plug-ins, which it cannot do without.
    StrCpy $INSTDIR "$PROGRAMFILES32\${MAKER}\${PRODUCT}"
    StrCpy $Vst2Dir32 $Vst2Dir
    SectionSetFlags ${Section64} ${SF_RO}
    SectionSetFlags ${Section32} 17  ; selected and read-only
  ${EndIf}
FunctionEnd

; Removes exactly what was installed; folders only when they are left empty,
; and never the user's defaults file.
Section "Uninstall"
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ReadRegStr $Vst2Dir HKLM "${SETTINGS_KEY}" "Vst2Dir"
  ReadRegStr $Vst2Dir32 HKLM "${SETTINGS_KEY}" "Vst2Dir32"
  ${If} $Vst2Dir != ""
    Delete "$Vst2Dir\Orvalt.dll"
    RMDir "$Vst2Dir"
  ${EndIf}
  ${If} $Vst2Dir32 != ""
    Delete "$Vst2Dir32\Orvalt.dll"
    RMDir "$Vst2Dir32"
  ${EndIf}
  Delete "$COMMONFILES64\VST3\Orvalt.vst3\Contents\x86_64-win\Orvalt.vst3"
  RMDir "$COMMONFILES64\VST3\Orvalt.vst3\Contents\x86_64-win"
  RMDir "$COMMONFILES64\VST3\Orvalt.vst3\Contents"
  RMDir "$COMMONFILES64\VST3\Orvalt.vst3"
  Delete "$COMMONFILES64\CLAP\Orvalt.clap"
  Delete "$COMMONFILES32\VST3\Orvalt.vst3\Contents\x86-win\Orvalt.vst3"
  RMDir "$COMMONFILES32\VST3\Orvalt.vst3\Contents\x86-win"
  RMDir "$COMMONFILES32\VST3\Orvalt.vst3\Contents"
  RMDir "$COMMONFILES32\VST3\Orvalt.vst3"
  Delete "$COMMONFILES32\CLAP\Orvalt.clap"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${MAKER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
