# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# The link dependencies of the ZIP component besides Qt, kept in one list
# from which the library, the internal library, the CMake package and
# kelvanezip.pc all take theirs:
#
#     kelvanezip_add_dependency(TARGET
#         FIND "code that finds TARGET again, for KelvaneZipConfig.cmake"
#         [PKG_CONFIG module] [LIBS -lname...])
#
# TARGET is an imported target, linked privately. FIND is run by users of a
# static kelvanezip only (a shared one carries its own dependencies); the
# pkg-config file names the module in Requires.private, or the flags of LIBS
# in Libs.private where the library ships no module.
#
# Results (in the calling scope): KELVANEZIP_LINK_LIBRARIES,
# KELVANEZIP_FIND_DEPENDENCIES, KELVANEZIP_PC_REQUIRES_PRIVATE,
# KELVANEZIP_PC_LIBS_PRIVATE.
macro(kelvanezip_add_dependency target)
    cmake_parse_arguments(_dep "" "FIND;PKG_CONFIG" "LIBS" ${ARGN})
    list(APPEND KELVANEZIP_LINK_LIBRARIES ${target})
    string(APPEND KELVANEZIP_FIND_DEPENDENCIES "${_dep_FIND}\n")
    if(_dep_PKG_CONFIG)
        list(APPEND KELVANEZIP_PC_REQUIRES_PRIVATE ${_dep_PKG_CONFIG})
    endif()
    list(APPEND KELVANEZIP_PC_LIBS_PRIVATE ${_dep_LIBS})
endmacro()
