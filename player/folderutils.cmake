# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# The player's folder removal is plain QtCore code: a library of its own, so
# that the plug-in, its tests and the fuzz target (whose build has no
# plug-in) share one build of it.
add_library(kelvane_folderutils STATIC
    ${CMAKE_CURRENT_LIST_DIR}/folderutils.h ${CMAKE_CURRENT_LIST_DIR}/folderutils.cpp)
target_include_directories(kelvane_folderutils PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(kelvane_folderutils PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
target_link_libraries(kelvane_folderutils PUBLIC Qt::Core)
set_target_properties(kelvane_folderutils PROPERTIES POSITION_INDEPENDENT_CODE ON)
kelvane_set_warnings(kelvane_folderutils)
