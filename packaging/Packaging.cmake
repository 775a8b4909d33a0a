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

# Manual pages and the change log, compressed as Debian wants them. gzip -n leaves out the name
# and time, so the same text gives the same bytes.
find_program(TWINLY_GZIP gzip)
set(TWINLY_PACKAGING_OUT "${PROJECT_BINARY_DIR}/packaging")
set(TWINLY_COMPRESSED)
function(twinly_compressed source destination) # source file, install folder, [name installed]
    get_filename_component(name "${source}" NAME)
    if(ARGC GREATER 2)
        set(name "${ARGV2}")
    endif()
    if(NOT TWINLY_GZIP)
        install(FILES "${source}" DESTINATION "${destination}" RENAME "${name}")
        return()
    endif()
    set(plain "${TWINLY_PACKAGING_OUT}/compressed/${name}")
    set(out "${plain}.gz")
    add_custom_command(OUTPUT "${out}"
        COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${plain}"
        COMMAND "${TWINLY_GZIP}" -9 -n -f "${plain}"
        DEPENDS "${source}"
        VERBATIM)
    install(FILES "${out}" DESTINATION "${destination}")
    set(TWINLY_COMPRESSED ${TWINLY_COMPRESSED} "${out}" PARENT_SCOPE)
endfunction()

set(TWINLY_MAN_PAGES twinly-cli)
if(TARGET twinly)
    list(APPEND TWINLY_MAN_PAGES twinly)
endif()
foreach(page ${TWINLY_MAN_PAGES})
    configure_file("${TWINLY_DATA_DIR}/${page}.1.in" "${TWINLY_PACKAGING_OUT}/${page}.1" @ONLY)
    twinly_compressed("${TWINLY_PACKAGING_OUT}/${page}.1" share/man/man1)
endforeach()
# A package made here, not from a Debian source package: its change log is the native one.
twinly_compressed("${CMAKE_CURRENT_LIST_DIR}/changelog" share/doc/twinly changelog)
if(TWINLY_COMPRESSED)
    add_custom_target(twinly_man ALL DEPENDS ${TWINLY_COMPRESSED})
endif()

install(FILES "${TWINLY_DATA_DIR}/completion/twinly-cli.bash"
    DESTINATION share/bash-completion/completions RENAME twinly-cli)
install(FILES "${CMAKE_CURRENT_LIST_DIR}/copyright" DESTINATION share/doc/twinly)
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION share/doc/twinly)

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
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://twinly.github.io/")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening a file or its folder calls xdg-open on most desktops; the image-format plugins let the
# toolkit read WebP and TIFF pictures; the Wayland plugin lets the window open on a Wayland
# session without going through X; the toolkit's translations put its own buttons and dialogs
# in the language chosen.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, qt6-image-formats-plugins, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
