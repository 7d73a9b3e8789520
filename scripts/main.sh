#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build

# The main job: the viewer opens the bundled sample lecture. Without a
# display it renders the window offscreen into a picture instead.
# The sample is named: started without a package the viewer shows its start
# screen.
viewer=build/bin/kelvane-viewer
sample=build/samples/lecture.zip
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    QT_QPA_PLATFORM=offscreen "$viewer" --size 960x1100 --screenshot build/lecture.png "$sample"
    echo "No display: the sample lecture was rendered into $(pwd)/build/lecture.png"
else
    "$viewer" "$sample"
fi
