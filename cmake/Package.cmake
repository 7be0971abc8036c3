# The Debian package (`make package`, scripts/package): the files of Install.cmake under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q9xz)
set(CPACK_PACKAGE_VERSION ${Q9XZ_VERSION_TEXT})
set(CPACK_PACKAGE_VENDOR "Q9XZ")
set(CPACK_PACKAGE_CONTACT "Q9XZ maintainers <q9xz@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Create Spreadsheet of Q9XZ Centennial QSOs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Reads an ADIF station log, picks out the 2014 contacts with the special-event\n"
    "station Q9XZ operating portable from the US states and territories, checks them\n"
    "and writes a CSV spreadsheet of states by band and mode, keeping the first, the\n"
    "last or the LoTW-confirmed contact of each slot. Comes with a desktop window\n"
    "(q9xz) and a command-line converter (q9xz-convert).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries (FLTK, libcurl, the C++ library) are read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The update check verifies the server's certificate against the system's authorities, and
# Open, Help and Donate hand their file or address to xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils")

include(CPack)
