# SPDX-License-Identifier: GPL-3.0-or-later
# Installed data beside the two programs, and the Debian package made from the installed tree.

if(TWINLY_FUZZ)
    return()
endif()

set(TWINLY_APP_ID io.github.twinly.Twinly)
set(TWINLY_DATA_DIR "${CMAKE_CURRENT_LIST_DIR}/../data")
cmake_path(NORMAL_PATH TWINLY_DATA_DIR)

# The toolkit's project set-up gives installed programs a run path relative to themselves, for
# bundled libraries; these programs use the system's libraries only, so they get none.
foreach(program twinly twinly-cli)
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES INSTALL_RPATH "")
    endif()
endforeach()

# The desktop program's entry, icon and catalogue data only make sense with the program.
if(TARGET twinly)
    install(FILES "${TWINLY_DATA_DIR}/${TWINLY_APP_ID}.desktop" DESTINATION share/applications)
    install(FILES "${TWINLY_DATA_DIR}/${TWINLY_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
    install(DIRECTORY "${TWINLY_DATA_DIR}/icons/hicolor" DESTINATION share/icons)
endif()

# The program looks for its language files in <prefix>/share/twinly, so the folder is installed
# even while there are none.
set(TWINLY_LANG_DIR "${PROJECT_SOURCE_DIR}/lang"
    CACHE PATH "Folder whose *.lng files are installed to share/twinly")
install(DIRECTORY DESTINATION share/twinly)
# Checked again at every build, so files added later (or the folder itself) are picked up.
file(GLOB TWINLY_LANG_FILES CONFIGURE_DEPENDS "${TWINLY_LANG_DIR}/*.lng")
if(TWINLY_LANG_FILES)
    install(FILES ${TWINLY_LANG_FILES} DESTINATION share/twinly)
endif()

configure_file("${TWINLY_DATA_DIR}/twinly-cli.1.in" "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1"
    @ONLY)
find_program(TWINLY_GZIP gzip)
if(TWINLY_GZIP)
    # -n leaves out the name and time, so the same page gives the same bytes.
    add_custom_command(
        OUTPUT "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1.gz"
        COMMAND "${TWINLY_GZIP}" -9 -n -f -k "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1"
        DEPENDS "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1"
        VERBATIM)
    add_custom_target(twinly_man ALL DEPENDS "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1.gz")
    install(FILES "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1.gz" DESTINATION share/man/man1)
else()
    install(FILES "${PROJECT_BINARY_DIR}/packaging/twinly-cli.1" DESTINATION share/man/man1)
endif()

install(FILES "${TWINLY_DATA_DIR}/completion/twinly-cli.bash"
    DESTINATION share/bash-completion/completions RENAME twinly-cli)
install(FILES "${CMAKE_CURRENT_LIST_DIR}/copyright" DESTINATION share/doc/twinly)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME twinly)
set(CPACK_PACKAGE_VENDOR "Twinly developers")
set(CPACK_PACKAGE_CONTACT "Twinly developers <twinly@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "duplicate file finder")
# Lines kept under 80 columns: the control file shows them as written.
set(CPACK_PACKAGE_DESCRIPTION [[
Twinly finds duplicate files in the folders you name, narrowed by file
masks, subfolders and size bounds, and compared by size, modification
time and name, or by content (CRC-32 confirmed by a 128-bit hash). It
also finds pictures that look alike, and records the files of a medium
in a CRC database to match them later when the medium is detached.

This package holds the desktop program twinly and its command-line
companion twinly-cli.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Twinly developers <twinly@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening a file or its folder calls xdg-open on most desktops; the image-format plugins let the
# toolkit read WebP and TIFF pictures.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-image-formats-plugins")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
