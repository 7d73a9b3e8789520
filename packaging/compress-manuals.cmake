# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Run by CPack once the components are installed for packaging: Debian
# packages carry their manual pages compressed with gzip at its best
# compression, without a name or time stamp in the header.
file(GLOB_RECURSE _manuals LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER _manuals INCLUDE REGEX "/share/man/([a-z_A-Z@.]+/)?man[1-9][^/]*/[^/]+\\.[1-9][^/.]*$")
foreach(_manual IN LISTS _manuals)
    execute_process(COMMAND gzip -9 -n -f "${_manual}" RESULT_VARIABLE _status)
    if(NOT _status EQUAL 0)
        message(FATAL_ERROR "gzip ${_manual} failed: ${_status}")
    endif()
endforeach()
