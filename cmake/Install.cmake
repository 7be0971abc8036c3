# What `cmake --install` puts in place, and the Debian package made from it (see Package.cmake).
# Included at the end of the top CMakeLists, when every program target is known.
include(GNUInstallDirs)

install(TARGETS q9xz-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the change log are installed compressed, as Debian asks: gzip -9 without
# name or time stamp, so that the same sources give the same bytes.
find_program(Q9XZ_GZIP gzip REQUIRED)
function(q9xz_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(gzipped ${PROJECT_BINARY_DIR}/gz/${name}.gz)
    add_custom_command(
        OUTPUT ${gzipped}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/gz/${name}
        COMMAND ${Q9XZ_GZIP} -9nf ${PROJECT_BINARY_DIR}/gz/${name}
        DEPENDS ${source}
        VERBATIM)
    string(MAKE_C_IDENTIFIER ${name} target)
    add_custom_target(q9xz_gz_${target} ALL DEPENDS ${gzipped})
    install(FILES ${gzipped} DESTINATION ${destination})
endfunction()

# The manual pages carry the version text the programs print.
configure_file(${PROJECT_SOURCE_DIR}/docs/q9xz-convert.1.in
               ${PROJECT_BINARY_DIR}/man/q9xz-convert.1 @ONLY)
q9xz_gzipped(${PROJECT_BINARY_DIR}/man/q9xz-convert.1 ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The licence, in the form Debian reads it, and the change log of the releases.
install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
q9xz_gzipped(${PROJECT_SOURCE_DIR}/debian/changelog ${CMAKE_INSTALL_DOCDIR})

# The desktop window, its manual page, its menu entry, the .adi file type, the software centre's
# description and the icons come together: without the window a menu entry would start nothing.
if(TARGET q9xz)
    install(TARGETS q9xz RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    configure_file(${PROJECT_SOURCE_DIR}/docs/q9xz.1.in ${PROJECT_BINARY_DIR}/man/q9xz.1 @ONLY)
    q9xz_gzipped(${PROJECT_BINARY_DIR}/man/q9xz.1 ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/q9xz.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/q9xz-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME q9xz.xml)
    configure_file(${PROJECT_SOURCE_DIR}/resources/q9xz.metainfo.xml.in
                   ${PROJECT_BINARY_DIR}/metainfo/org.example.q9xz.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/metainfo/org.example.q9xz.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

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
