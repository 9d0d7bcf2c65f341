; The Start-menu entries of the Vesk installer, put into CMake's installer script by
; packaging/windows.cmake.
;
; VeskChat reads its dice and name lists from the folder it starts in and saves its logs there,
; and a player cannot write under "Program Files". So both programs start in a data folder in
; the player's Documents, which the installer makes and gives the sample lists that are not
; there yet: lists the player has edited stay as they are. The uninstaller leaves that folder,
; and the settings in HKCU\Software\Okvi\VeskChat, to the player.

!define VESK_DATA_FOLDER_NAME "VeskChat"

; The data folder is the installing player's, even when the entries are for all users.
!macro VeskDataFolder outVar
  SetShellVarContext current
  StrCpy ${outVar} "$DOCUMENTS\${VESK_DATA_FOLDER_NAME}"
  StrCmp $SV_ALLUSERS "AllUsers" 0 +2
    SetShellVarContext all
!macroend

!macro VeskSeedSample dataFolder file
  IfFileExists "${dataFolder}\${file}" +2 0
    CopyFiles /SILENT "$INSTDIR\${file}" "${dataFolder}\${file}"
!macroend

; In the section that makes the Start-menu folder $STARTMENU_FOLDER. A shortcut starts its
; program in the output folder at the time it is made.
!macro VeskCreateShortcuts
  !insertmacro VeskDataFolder $R0
  CreateDirectory "$R0"
  !insertmacro VeskSeedSample $R0 "dice.sai"
  !insertmacro VeskSeedSample $R0 "name.nam"
  SetOutPath "$R0"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\VeskChat.lnk" "$INSTDIR\VeskChat.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\VeskServer.lnk" "$INSTDIR\VeskServer.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Vesk ヘルプ.lnk" "$INSTDIR\help.html"
  SetOutPath "$INSTDIR"
!macroend

; In the uninstaller, with the Start-menu folder in $MUI_TEMP.
!macro VeskDeleteShortcuts
  Delete "$SMPROGRAMS\$MUI_TEMP\VeskChat.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\VeskServer.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Vesk ヘルプ.lnk"
!macroend
