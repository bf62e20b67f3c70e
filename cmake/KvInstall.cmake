# What `cmake --install` puts under the prefix, and the .deb CPack makes of
# it. The program finds its data as <exe>/../share/korvatinel/, so the data
# goes there whatever the prefix.
set(KV_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/korvatinel)

install(TARGETS korvatinel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/demo/ DESTINATION ${KV_DATA_DESTINATION}/demo)
install(FILES ${PROJECT_SOURCE_DIR}/completion/korvatinel.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME korvatinel)
install(FILES ${PROJECT_SOURCE_DIR}/completion/_korvatinel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvatinel)

# The man page, from its scdoc source; compressed, as man and Debian expect.
find_program(KV_SCDOC scdoc)
if(KV_SCDOC)
  set(KV_MAN_PAGE ${PROJECT_BINARY_DIR}/korvatinel.1)
  add_custom_command(
    OUTPUT ${KV_MAN_PAGE} ${KV_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            sh -c "${KV_SCDOC} < ${PROJECT_SOURCE_DIR}/docs/korvatinel.1.scd > ${KV_MAN_PAGE}"
    COMMAND sh -c "gzip -9n < ${KV_MAN_PAGE} > ${KV_MAN_PAGE}.gz"
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/korvatinel.1.scd
    COMMENT "Writing the man page korvatinel.1"
    VERBATIM)
  add_custom_target(kv_man ALL DEPENDS ${KV_MAN_PAGE} ${KV_MAN_PAGE}.gz)
  install(FILES ${KV_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "scdoc not found: no man page is built (install scdoc and reconfigure)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvatinel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvatinel maintainers <maintainers@korvatinel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS lap timer and data logger for motorsport track days")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "GPS lap timer and data logger for motorsport track days\n"
    " Korvatinel reads NMEA 0183 from a GPS receiver (serial port, Bluetooth,\n"
    " gpsd or a recorded file) and engine values from an ELM327-style OBD-II\n"
    " adapter, times laps, splits, sectors and acceleration runs against a\n"
    " track's timing lines, speaks every lap, and records sessions to review,\n"
    " resume, export (CSV, VBO, DAT, GPX, KML) and report as HTML.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvatinel.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
