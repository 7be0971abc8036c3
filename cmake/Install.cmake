# What `cmake --install` puts in place, and the Debian package made from it (see Package.cmake).
# Included at the end of the top CMakeLists, when every program target is known.
include(GNUInstallDirs)

install(TARGETS q9xz-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual page carries the version text the programs print.
configure_file(${PROJECT_SOURCE_DIR}/docs/q9xz-convert.1.in
               ${PROJECT_BINARY_DIR}/man/q9xz-convert.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/man/q9xz-convert.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The desktop window, its menu entry, the .adi file type and the icons come together: without
# the window a menu entry would start nothing.
if(TARGET q9xz)
    install(TARGETS q9xz RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/resources/q9xz.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/q9xz-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME q9xz.xml)

    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(Q9XZ_ICON_SIZES 16 32 48 64 128 256)
    set(Q9XZ_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
    set(Q9XZ_ICON_FILES)
    foreach(size ${Q9XZ_ICON_SIZES})
        list(APPEND Q9XZ_ICON_FILES ${Q9XZ_ICON_DIR}/${size}x${size}/apps/q9xz.png)
    endforeach()
    add_custom_command(
        OUTPUT ${Q9XZ_ICON_FILES}
        COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/resources/make_png_icons.py
                ${Q9XZ_ICON_DIR} ${Q9XZ_ICON_SIZES}
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/make_png_icons.py
        COMMENT "Drawing the desktop icons")
    add_custom_target(q9xz_icons ALL DEPENDS ${Q9XZ_ICON_FILES})
    install(DIRECTORY ${Q9XZ_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

# The Debian package is made from the Linux build only (the Windows program ships as a zip).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
endif()
