# What `cmake --install` and the package put where. The programs sit side by side in a folder
# of their own: the window finds its converters beside its real path, and keeps its job files
# and Data/ there too when the user can write to it (else in the user's own data folder).
set(VARNO_PROGRAM_DIR lib/varno)
# Names the menu entry, the icon and the software-centre data alike.
set(VARNO_APP_ID io.github.varno.Varno)
# One component for every rule here, which the package installs by name.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME varno)
# A umask that lets the group write must not reach the installed folders.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS Varno pelkin trosk decoder RUNTIME DESTINATION ${VARNO_PROGRAM_DIR})
install(DIRECTORY DESTINATION ${VARNO_PROGRAM_DIR}/Data)

# PREFIX/bin/Varno links to the window relative to itself, so it holds for any prefix and
# under the package's staging folder alike.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
file(CREATE_LINK ../${VARNO_PROGRAM_DIR}/Varno ${CMAKE_BINARY_DIR}/install/Varno SYMBOLIC)
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/Varno DESTINATION bin)

# The icon the window carries too, drawn once as SVG and rendered to PNG for the usual sizes.
set(VARNO_ICONS app/window/resources/icons)
install(FILES ${VARNO_ICONS}/varno.svg DESTINATION share/icons/hicolor/scalable/apps
        RENAME ${VARNO_APP_ID}.svg)
foreach(side 16 22 24 32 48 64 128 256)
  install(FILES ${VARNO_ICONS}/varno-${side}.png DESTINATION share/icons/hicolor/${side}x${side}/apps
          RENAME ${VARNO_APP_ID}.png)
endforeach()

# The menu entry names the program by the prefix given at install time, which only the
# install script knows.
set(VARNO_DESKTOP_TEMPLATE ${CMAKE_SOURCE_DIR}/packaging/${VARNO_APP_ID}.desktop.in)
set(VARNO_DESKTOP_FILE ${VARNO_APP_ID}.desktop)
configure_file(cmake/desktop_entry.cmake.in ${CMAKE_BINARY_DIR}/install/desktop_entry.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/install/desktop_entry.cmake)

install(FILES packaging/${VARNO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
