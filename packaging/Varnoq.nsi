; The installer: Varnoq with the stand-in keyboard service, for the current
; user (the program saves def.kfd beside itself, so it goes where the user
; may write), a start-menu folder, and an uninstaller that removes what was
; installed and keeps the user's def.kfd.
;   makensis -DSTAGE=<packaged folder> -DOUTFILE=<installer> Varnoq.nsi
Unicode true
!ifndef STAGE
  !error "define STAGE, the packaged folder"
!endif
!ifndef OUTFILE
  !error "define OUTFILE, the installer to write"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnoq"
!define MENU "$SMPROGRAMS\Varnoq"

Name "Varnoq"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Varnoq"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Varnoq and the stand-in service" SectionMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; A reinstall without the German interface goes back to English.
  Delete "$INSTDIR\TORLANG.DLL"
  File "${STAGE}\Varnoq.exe"
  File "${STAGE}\KeyboardService.exe"
  File "${STAGE}\TORVEL32.DLL"
  File "${STAGE}\TORSTR.DLL"
  File "${STAGE}\TORGFX.DLL"
  File "${STAGE}\Q5.bmp"
  File "${STAGE}\Q5Mask.bmp"
  File "${STAGE}\Guide.html"
  ; The sample key assignments only where the user has none yet.
  SetOverwrite off
  File "${STAGE}\def.kfd"
  SetOverwrite on
  SetOutPath "$INSTDIR\images"
  File "${STAGE}\images\*.png"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${MENU}"
  CreateShortcut "${MENU}\Varnoq.lnk" "$INSTDIR\Varnoq.exe"
  CreateShortcut "${MENU}\Keyboard Service (stand-in).lnk" "$INSTDIR\KeyboardService.exe"
  CreateShortcut "${MENU}\Varnoq User Guide.lnk" "$INSTDIR\Guide.html"
  CreateShortcut "${MENU}\Uninstall Varnoq.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Varnoq"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Varnoq.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "German user interface" SectionGerman
  SetOutPath "$INSTDIR"
  File "${STAGE}\language\TORLANG.DLL"
!if /FileExists "${STAGE}\language\TORSTR.DLL"
  File "${STAGE}\language\TORSTR.DLL"
!endif
SectionEnd

Section "Uninstall"
  ; A running stand-in service would hold its files.
  IfFileExists "$INSTDIR\KeyboardService.exe" 0 +3
    ExecWait '"$INSTDIR\KeyboardService.exe" --stop'
    Sleep 500
  Delete "$INSTDIR\Varnoq.exe"
  Delete "$INSTDIR\KeyboardService.exe"
  Delete "$INSTDIR\TORVEL32.DLL"
  Delete "$INSTDIR\TORSTR.DLL"
  Delete "$INSTDIR\TORGFX.DLL"
  Delete "$INSTDIR\TORLANG.DLL"
  Delete "$INSTDIR\Q5.bmp"
  Delete "$INSTDIR\Q5Mask.bmp"
  Delete "$INSTDIR\Guide.html"
  Delete "$INSTDIR\images\*.png"
  RMDir "$INSTDIR\images"
  ; What the stand-in service writes as it runs.
  Delete "$INSTDIR\service.log"
  Delete "$INSTDIR\Uninstall.exe"
  ; The folder stays while it holds the user's def.kfd.
  RMDir "$INSTDIR"

  Delete "${MENU}\Varnoq.lnk"
  Delete "${MENU}\Keyboard Service (stand-in).lnk"
  Delete "${MENU}\Varnoq User Guide.lnk"
  Delete "${MENU}\Uninstall Varnoq.lnk"
  RMDir "${MENU}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
