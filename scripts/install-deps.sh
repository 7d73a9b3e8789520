#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Installs the Debian packages needed to build, run and test the project.
# Only what is missing is installed, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev qttools5-dev qttools5-dev-tools
    qt6-base-dev qt6-5compat-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    # Pages with SVG and WebP pictures: Qt's image plug-ins for them.
    qt6-svg-dev libqt6svg6 qt6-image-formats-plugins libqt5svg5-dev libqt5svg5 qt5-image-formats-plugins
    zlib1g-dev libisal-dev libbz2-dev liblzma-dev libzstd-dev libssl-dev
    fonts-dejavu-core shared-mime-info
    python3 zip unzip p7zip-full libarchive-tools zstd time
    clang libclang-rt-14-dev
    reuse doxygen clang-format
    dpkg-dev file lintian
    # Benchmark peers and corpus: parallel gzip, JPEG pictures; libdeflate for
    # bench/deflate_blocks.c.
    pigz libjpeg-turbo-progs libdeflate-dev
    # The viewer's tests: PDF, desktop-file and AppStream validators, manual
    # pages, a real X display, Qt's own catalogues.
    poppler-utils desktop-file-utils appstream groff-base xvfb xauth
    qttranslations5-l10n qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
