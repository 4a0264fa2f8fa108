# `cmake --install` and the Debian package: the two programs in bin/, the core, the GUI module and
# the SQLite extension in a folder of their own below the library folder (they are no public
# libraries), the administrators' guide and the package's notes in the doc folder.
set(SV_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/sondervik)
set(SV_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/sondervik)

# Relative to the program, so that an installed tree works wherever it is moved. The build folder
# holds the programs beside the libraries, hence $ORIGIN last. Built with these RUNPATHs from the
# start: one rewritten at install time would be padded in the build folder with empty entries, and
# the loader reads an empty entry as the working folder, where anyone may have put a library.
file(RELATIVE_PATH sv_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${SV_PRIVATE_LIBDIR})
set_target_properties(sondervik quorvant-host PROPERTIES INSTALL_RPATH "$ORIGIN/${sv_bin_to_lib}:$ORIGIN")
set_target_properties(sv_gui PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(sondervik quorvant-host sv_core sv_gui sv_tsql PROPERTIES BUILD_WITH_INSTALL_RPATH ON)

install(TARGETS sondervik quorvant-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sv_core sv_gui sv_tsql LIBRARY DESTINATION ${SV_PRIVATE_LIBDIR} NAMELINK_SKIP)

# Debian wants the changelog and the manual pages compressed with gzip -9n (no name, no time stamp).
set(sv_gzipped)
foreach(file changelog sondervik.1 quorvant-host.1)
  set(gz ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${file} > ${gz}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${file})
  list(APPEND sv_gzipped ${gz})
endforeach()
add_custom_target(sv_packaging_files ALL DEPENDS ${sv_gzipped})
install(FILES docs/admin.md packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SV_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/sondervik.1.gz ${CMAKE_BINARY_DIR}/packaging/quorvant-host.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sondervik)
set(CPACK_PACKAGE_CONTACT "Sondervik developers <sondervik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "add-in that starts business processes for activities")
# Lines of the extended description stay below 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "The Quorvant host starts Sondervik with one command word. Sondervik reads\n"
  "the selected activity and starts the fitting business process for it,\n"
  "asking the user or deciding by its start configuration. A configurator\n"
  "window sets the options per process. The package holds the emulated host\n"
  "quorvant-host too, which makes host folders and starts the add-in on them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the package's own libraries here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# Loaded by Qt at run time, so no library names it: the SQLite driver.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-odbc, tdsodbc, libsqliteodbc")
include(CPack)
