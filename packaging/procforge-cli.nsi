; The Windows installer of procforge-cli, made by scripts/build-windows.sh with NSIS:
;
;   makensis -DVERSION=1.0.0 -DSTAGE=<the zip's folder> -DFILES=<files.nsh> -DOUTFILE=<setup.exe> procforge-cli.nsi
;
; It installs what the zip holds into "Program Files\Procforge" (or the folder chosen) and
; registers an uninstaller with Windows' list of programs. The uninstaller removes exactly the
; files it installed (FILES lists them) and then the folders that are left empty, so files the
; user made there (classes, profiles) stay.
;
; Unattended: setup.exe /S /D=C:\Folder, and Uninstall.exe /S (add _?=C:\Folder to wait for it:
; without it the uninstaller runs from a copy in the temporary folder and returns at once).

; A 64-bit installer for the 64-bit program: it runs where the program runs, without the
; 32-bit subsystem, and sees the 64-bit Program Files folder and registry as they are.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Procforge"

Name "Procforge ${VERSION} (command line)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Procforge"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Procforge"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "Procforge ${VERSION} (command line)"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${FILES}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
