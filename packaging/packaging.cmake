# The Debian package: `cpack -G DEB` in a release build (or tools/package.sh
# from a clean one) makes pelvaro_<version>_amd64.deb of everything that
# `cmake --install` puts under the prefix. Included last, so that every
# program target exists by now.

# The whole global offset table read-only once the programs have started,
# as Debian hardens its own packages.
foreach(program IN ITEMS Pelvaro pelvaro-cli)
    if(TARGET ${program})
        target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
    endif()
endforeach()

# Debian keeps a package's copyright and changelog under its own name in
# share/doc; the changelog compressed without name or time stamp.
set(PELVARO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pelvaro)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${PELVARO_DOC_DIR})
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${changelog} @ONLY)
add_custom_command(
    OUTPUT ${changelog}.gz
    COMMAND ${PELVARO_GZIP} -9nkf ${changelog}
    DEPENDS ${changelog}
    VERBATIM)
add_custom_target(pelvaro_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${PELVARO_DOC_DIR})
# The HTML help in the system's documentation index.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/pelvaro.doc-base
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base RENAME pelvaro.pelvaro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelvaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Torvane Software")
set(CPACK_PACKAGE_CONTACT "Torvane Software <pelvaro@torvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print return and mailing addresses on envelopes")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Pelvaro prints envelopes. Type a return address and a mailing address,"
    "or pick them from your address book, choose the envelope size and press"
    "Print: each address is printed where its box sits in the window, in its"
    "own font. The addresses, the printer, the fonts and the address book are"
    "kept between runs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.torvane.example/pelvaro)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the programs link come from the binaries themselves. What
# they only use at run time: fonts metric-compatible with those the dialogs
# name, and the desktop's opener for the help and the maker's web page.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils")
# The print server's library and the barcode encoder are opened when a job
# needs them, not linked, so the binaries do not name them: the packages
# that hold them are named here, as this system has them.
set(pelvaro_opened_packages)
foreach(opened "${ZINT_LIBRARY}" "${CUPS_LIBRARIES}")
    if(opened)
        file(REAL_PATH "${opened}" opened_file)
        execute_process(COMMAND dpkg-query --search "${opened_file}" OUTPUT_VARIABLE owner
                        ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        # "libzint2.11: /usr/lib/libzint.so.2.11.1.0", "libcups2:amd64: ..."
        string(REGEX REPLACE "[:,].*" "" owner "${owner}")
        if(owner)
            list(APPEND pelvaro_opened_packages "${owner}")
        endif()
    endif()
endforeach()
list(JOIN pelvaro_opened_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
