; A comparison installer built with NSIS that does the same job as Glowset.exe:
; the screen saver into the native system folder, "<Name> Uninstaller.exe" in the Windows folder,
; the same ten values under the uninstall key (32-bit view) and HKCU ScrnSave.exe.
;
; makensis -X"SetCompressor /FINAL lzma" -DOUTFILE=out.exe -DSCR=path\TAVO.scr glow-peer.nsi
;   -DNAME=...       product name (default "TAVO ScreenSaver"); fixed at build time
;   -DVERSION=...    DisplayVersion (default "1.0.0001")
;   -DSCR_MACROS=f   instead of SCR: an include that defines the macros GlowPlace and GlowRemove
;                    (the bench writes one for its many-files runs: each file under its own name)
; Silent: run the installer and the uninstaller with /S.

!include x64.nsh
!include FileFunc.nsh

!ifndef NAME
  !define NAME "TAVO ScreenSaver"
!endif
!ifndef VERSION
  !define VERSION "1.0.0001"
!endif
!ifndef OUTFILE
  !define OUTFILE "glow-peer-setup.exe"
!endif
!define UNKEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define LAUNCHER "$WINDIR\${NAME} Uninstaller.exe"

Name "${NAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$SYSDIR"
ShowInstDetails nevershow
ShowUninstDetails nevershow
XPStyle off
BrandingText " "

Page instfiles
UninstPage instfiles

Var CopyList     ; "|"-joined placed paths (NSIS strings end at 1023 characters)
Var ScrPath      ; the placed file that becomes the screen saver
Var SizeKiB      ; sum of the whole KiB of each placed file and of the uninstaller

; Adds the whole KiB of a file to SizeKiB.
!macro GlowAddKiB path
  FileOpen $0 "${path}" r
  FileSeek $0 0 END $1
  FileClose $0
  IntOp $1 $1 / 1024
  IntOp $SizeKiB $SizeKiB + $1
!macroend

; Records one placed file: the list, the size, and the last one placed as the screen saver.
!macro GlowListed path
  StrCmp $CopyList "" +3
    StrCpy $CopyList "$CopyList|${path}"
    Goto +2
  StrCpy $CopyList "${path}"
  StrCpy $ScrPath "${path}"
  !insertmacro GlowAddKiB "${path}"
!macroend

!ifdef SCR_MACROS
  !include "${SCR_MACROS}"
!else
  !ifndef SCR
    !define SCR "TAVO.scr"
  !endif
  !macro GlowPlace
    File "/oname=$SYSDIR\${NAME}.scr" "${SCR}"
    !insertmacro GlowListed "$SYSDIR\${NAME}.scr"
  !macroend
  !macro GlowRemove
    Delete "$SYSDIR\${NAME}.scr"
  !macroend
!endif

Section "Install"
  ${DisableX64FSRedirection}
  SetOutPath $SYSDIR
  SetOverwrite on
  StrCpy $CopyList ""
  StrCpy $SizeKiB 0
  !insertmacro GlowPlace
  WriteUninstaller "${LAUNCHER}"
  !insertmacro GlowAddKiB "${LAUNCHER}"

  ${GetTime} "" "L" $2 $3 $4 $5 $6 $7 $8   ; day month year weekday hour minute second
  SetRegView 32
  WriteRegStr HKLM "${UNKEY}" "CopyScrPath" "$CopyList"
  WriteRegStr HKLM "${UNKEY}" "UninstallString" "${LAUNCHER}"
  WriteRegStr HKLM "${UNKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNKEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNKEY}" "DisplayIcon" "$ScrPath"
  WriteRegStr HKLM "${UNKEY}" "InstallDate" "$4/$3/$2"
  WriteRegStr HKLM "${UNKEY}" "Publisher" "TAVO"
  WriteRegStr HKLM "${UNKEY}" "URLInfoAbout" "http://www.tavo.example/"
  WriteRegStr HKLM "${UNKEY}" "InstallLocation" "$SYSDIR"
  WriteRegDWORD HKLM "${UNKEY}" "EstimatedSize" $SizeKiB
  WriteRegStr HKCU "Control Panel\Desktop" "ScrnSave.exe" "$ScrPath"
  ${EnableX64FSRedirection}
SectionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  !insertmacro GlowRemove
  Delete "${LAUNCHER}"
  SetRegView 32
  DeleteRegKey HKLM "${UNKEY}"
  WriteRegStr HKCU "Control Panel\Desktop" "ScrnSave.exe" ""   ; emptied, as Glowset's uninstaller does
  ${EnableX64FSRedirection}
SectionEnd
