# What `cmake --install` puts under the prefix, and the .deb CPack makes of
# it. The program finds its data as <exe>/../share/korvatinel/, so the data
# goes there whatever the prefix.
set(KV_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/korvatinel)
# Named for the package, as Debian wants (GNUInstallDirs' DOCDIR would use the
# project's capitalised name).
set(KV_DOC_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvatinel)

install(TARGETS korvatinel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/demo/ DESTINATION ${KV_DATA_DESTINATION}/demo)
install(FILES ${PROJECT_SOURCE_DIR}/completion/korvatinel.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME korvatinel)
install(FILES ${PROJECT_SOURCE_DIR}/completion/_korvatinel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright DESTINATION ${KV_DOC_DESTINATION})
# A native package's changelog, compressed as Debian wants it.
set(KV_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${KV_CHANGELOG}
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/docs/changelog ${KV_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/changelog
  VERBATIM)
add_custom_target(kv_changelog ALL DEPENDS ${KV_CHANGELOG})
install(FILES ${KV_CHANGELOG} DESTINATION ${KV_DOC_DESTINATION})
# The file formats, the JSON outputs and the track library's folder, for
# users who read their data, or publish tracks, without us.
foreach(doc formats.md json.md library.md)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/${doc})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/${doc} DESTINATION ${KV_DOC_DESTINATION})
  endif()
endforeach()

# The man page, from its scdoc source; compressed, as man and Debian expect.
# The shell commands take their paths as arguments, so spaces in them work.
# The page is dated by the build, or by SOURCE_DATE_EPOCH when a package
# builder sets it for a reproducible build.
find_program(KV_SCDOC scdoc)
if(KV_SCDOC)
  set(KV_MAN_PAGE ${PROJECT_BINARY_DIR}/korvatinel.1)
  add_custom_command(
    OUTPUT ${KV_MAN_PAGE} ${KV_MAN_PAGE}.gz
    COMMAND sh -c "\"$0\" < \"$1\" > \"$2\"" ${KV_SCDOC} ${PROJECT_SOURCE_DIR}/docs/korvatinel.1.scd ${KV_MAN_PAGE}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${KV_MAN_PAGE} ${KV_MAN_PAGE}.gz
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
# The long description, one string with its own line breaks; CPack puts
# the summary above it and indents it.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Korvatinel reads NMEA 0183 from a GPS receiver (serial port, Bluetooth,"
  "gpsd or a recorded file) and engine values from an ELM327-style OBD-II"
  "adapter, times laps, splits, sectors and acceleration runs against a"
  "track's timing lines, speaks every lap, and records sessions to review,"
  "resume, export (CSV, VBO, DAT, GPX, KML) and report as HTML.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvatinel.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not tell: the window and screenshots draw with the
# DejaVu fonts (by path), and `report --open` hands the page to xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
