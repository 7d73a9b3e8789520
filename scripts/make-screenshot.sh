#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Renders the viewer on the sample lecture into doc/kelvane-viewer.png, the
# picture in the README: scripts/make-screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/bin/kelvane-viewer" ] || bash scripts/build.sh "$build"
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
# Offscreen, in English, with settings of its own, at a fixed size.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 XDG_CONFIG_HOME="$settings" \
    "$build/bin/kelvane-viewer" --lang en --size 900x700 --screenshot doc/kelvane-viewer.png \
    "$build/samples/lecture.zip" >/dev/null
echo "doc/kelvane-viewer.png"
