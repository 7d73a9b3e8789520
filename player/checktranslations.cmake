# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Fails when the translation catalogue is not complete.
#
#   cmake -DCATALOGUE=<file.ts> -DSOURCE=<player.ts> -P checktranslations.cmake
#
# CATALOGUE is a copy of the catalogue SOURCE that lupdate has brought up to
# date with the sources: a text that the code uses and the catalogue lacks
# comes out unfinished, a text that the code no longer uses comes out
# vanished or obsolete. Either, and an empty translation, is an error.

file(READ "${CATALOGUE}" _ts)
# CMake lists split on ';'; take them out of the texts first (and the
# stand-in must hold none itself, as "&#59;" would).
string(REPLACE ";" "{semicolon}" _ts "${_ts}")
string(REGEX MATCHALL "<context>.*</context>" _ts "${_ts}")
string(REPLACE "</context>" "</context>;" _contexts "${_ts}")

set(_problems "")
foreach(_context IN LISTS _contexts)
    string(REGEX MATCH "<name>([^<]*)</name>" _ignored "${_context}")
    set(_name "${CMAKE_MATCH_1}")
    string(REPLACE "</message>" "</message>;" _messages "${_context}")
    foreach(_message IN LISTS _messages)
        if(NOT _message MATCHES "<source>([^<]*)</source>")
            continue()
        endif()
        set(_source "${CMAKE_MATCH_1}")
        set(_why "")
        if(_message MATCHES "type=\"unfinished\"")
            set(_why "no Russian translation")
        elseif(_message MATCHES "type=\"(vanished|obsolete)\"")
            set(_why "no code uses it")
        elseif(_message MATCHES "<translation>[ \t\r\n]*</translation>"
               OR _message MATCHES "<numerusform>[ \t\r\n]*</numerusform>")
            set(_why "empty translation")
        endif()
        if(_why)
            string(APPEND _problems "\n  ${_name}: \"${_source}\": ${_why}")
        endif()
    endforeach()
endforeach()

if(NOT UPDATE_TARGET)
    set(UPDATE_TARGET update_player_translations)
endif()
if(_problems)
    message(FATAL_ERROR "The translation catalogue ${SOURCE} is not up to date:${_problems}\n"
        "Bring it up to date with the target ${UPDATE_TARGET}, then write the "
        "missing Russian translations into it.")
endif()
