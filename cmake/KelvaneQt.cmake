# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# The Qt the project builds on, chosen in one place: KELVANE_QT_MAJOR is 6 or
# 5; left empty, Qt 6 is taken where it is found (with Core5Compat, which
# holds the code pages), else Qt 5. Everything else uses Qt's versionless
# targets (Qt::Core, Qt::rcc, ...) and kelvane_find_qt().
#
#     kelvane_find_qt(COMPONENT...)   finds more Qt modules of that version
#
# KELVANE_QT_CORE_LIBS lists what the ZIP component needs: QtCore, and on
# Qt 6 also Core5Compat for QTextCodec.
set(KELVANE_QT_MAJOR "" CACHE STRING "Qt major version to build on: 6 or 5 (empty: 6 where found, else 5)")
set_property(CACHE KELVANE_QT_MAJOR PROPERTY STRINGS "" 6 5)

set(KELVANE_QT6_MIN_VERSION 6.4)
set(KELVANE_QT5_MIN_VERSION 5.15)

if(NOT KELVANE_QT_MAJOR)
    find_package(Qt6 ${KELVANE_QT6_MIN_VERSION} QUIET COMPONENTS Core Core5Compat)
    if(Qt6_FOUND)
        set(KELVANE_QT_MAJOR 6 CACHE STRING "" FORCE)
    else()
        set(KELVANE_QT_MAJOR 5 CACHE STRING "" FORCE)
    endif()
endif()

if(KELVANE_QT_MAJOR STREQUAL "6")
    set(KELVANE_QT_MIN_VERSION ${KELVANE_QT6_MIN_VERSION})
    find_package(Qt6 ${KELVANE_QT_MIN_VERSION} REQUIRED COMPONENTS Core Core5Compat)
    set(KELVANE_QT_CORE_COMPONENTS Core Core5Compat)
    set(KELVANE_QT_CORE_LIBS Qt::Core Qt::Core5Compat)
elseif(KELVANE_QT_MAJOR STREQUAL "5")
    set(KELVANE_QT_MIN_VERSION ${KELVANE_QT5_MIN_VERSION})
    find_package(Qt5 ${KELVANE_QT_MIN_VERSION} REQUIRED COMPONENTS Core)
    set(KELVANE_QT_CORE_COMPONENTS Core)
    set(KELVANE_QT_CORE_LIBS Qt::Core)
else()
    message(FATAL_ERROR "KELVANE_QT_MAJOR must be 6 or 5, not '${KELVANE_QT_MAJOR}'")
endif()
message(STATUS "Building on Qt ${Qt${KELVANE_QT_MAJOR}_VERSION}")

macro(kelvane_find_qt)
    find_package(Qt${KELVANE_QT_MAJOR} ${KELVANE_QT_MIN_VERSION} REQUIRED COMPONENTS ${ARGN})
endmacro()
