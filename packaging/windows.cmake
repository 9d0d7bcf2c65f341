# What the Windows programs install, and the installer (NSIS) and the zip CPack makes of them:
#   cpack -G "NSIS;ZIP" in the cross build (scripts/windows-package.sh).
# Included from CMakeLists.txt next to this file in place of the Debian package.

# One folder holds the programs (each installs itself to CMAKE_INSTALL_BINDIR, which is that
# folder on Windows), the help page they open beside themselves and the sample lists the
# installer copies into the player's data folder; a zip unpacked anywhere runs as it is.
install(FILES ${PROJECT_SOURCE_DIR}/resources/help/help.html ${PROJECT_SOURCE_DIR}/data/dice.sai
              ${PROJECT_SOURCE_DIR}/data/name.nam
        DESTINATION .)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME vesk)
# The installer script holds Japanese text and NSIS's own backslashes and quotes; CPack writes
# every value into its configuration as it is.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_VENDOR Okvi)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vesk)
# The uninstaller deletes Software\<vendor>\<this key>: not VeskChat's settings key.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vesk)
set(CPACK_NSIS_PACKAGE_NAME Vesk)
set(CPACK_NSIS_DISPLAY_NAME Vesk)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
# The installer, the uninstaller and the entry in the system's list of programs show VeskChat's
# icon.
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/client/vesk_chat.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/client/vesk_chat.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME VeskChat.exe)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_DEFINES
    "!include /CHARSET=UTF8 \"${CMAKE_CURRENT_SOURCE_DIR}/windows/shortcuts.nsh\"")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "!insertmacro VeskCreateShortcuts")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "!insertmacro VeskDeleteShortcuts")
set(CPACK_STRIP_FILES ON)

# CPack's NSIS template makes a 32-bit installer, which a 64-bit Wine alone cannot run; NSIS's
# 64-bit stubs are chosen by a Target line after the template's first line (a comment behind a
# byte-order mark). The template stays CMake's own: it is read from CMake at configure time and
# written, with that line, where CPack looks first.
set(nsisTemplateDir ${CMAKE_CURRENT_BINARY_DIR}/nsis)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsisTemplate)
string(FIND "${nsisTemplate}" "\n" firstLineEnd)
math(EXPR restStart "${firstLineEnd} + 1")
string(SUBSTRING "${nsisTemplate}" 0 ${restStart} firstLine)
string(SUBSTRING "${nsisTemplate}" ${restStart} -1 rest)
file(WRITE ${nsisTemplateDir}/NSIS.template.in "${firstLine}Target amd64-unicode\n${rest}")
list(PREPEND CMAKE_MODULE_PATH ${nsisTemplateDir})

include(CPack)
