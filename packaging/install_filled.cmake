# Run at install time by vesk_install_filled (CMakeLists.txt next to this file), when the
# prefix that the package or the user installs to is known. Given VESK_TEMPLATE,
# VESK_DESTINATION, VESK_PERMISSIONS, VESK_FILLED_DIR and the configured VESK_BINDIR,
# VESK_LIBEXECDIR and VESK_DATADIR (each relative to the prefix or absolute).

foreach(dir BINDIR LIBEXECDIR DATADIR DESTINATION)
    cmake_path(ABSOLUTE_PATH VESK_${dir} BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
endforeach()
set(VESK_CHAT "${VESK_BINDIR}/VeskChat")
set(VESK_SERVER "${VESK_BINDIR}/VeskServer")
set(VESK_RELAY "${VESK_BINDIR}/vesk-relay")
set(VESK_CHAT_LAUNCHER "${VESK_LIBEXECDIR}/vesk/vesk-chat-launcher")
set(VESK_SAMPLE_DIR "${VESK_DATADIR}/vesk")

# One folder per place installed to, so that two installs never share a filled file.
string(MD5 place "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
cmake_path(GET VESK_TEMPLATE STEM LAST_ONLY name)
set(filled "${VESK_FILLED_DIR}/${place}/${name}")
configure_file("${VESK_TEMPLATE}" "${filled}" @ONLY)
file(INSTALL "${filled}" DESTINATION "${VESK_DESTINATION}" PERMISSIONS ${VESK_PERMISSIONS})
