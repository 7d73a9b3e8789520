# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Compiler warnings for the product code, in one place.
#
#     kelvane_set_warnings(TARGET...)
#
# -Wall -Wextra -Wpedantic -Wshadow -Wconversion on each target's own sources
# (Qt's and the system's headers come in as system headers and stay quiet);
# with KELVANE_WARNINGS_AS_ERRORS every warning is an error.
option(KELVANE_WARNINGS_AS_ERRORS "Treat compiler warnings of the product code as errors" OFF)

function(kelvane_set_warnings)
    foreach(target IN LISTS ARGN)
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
        if(KELVANE_WARNINGS_AS_ERRORS)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endforeach()
endfunction()
