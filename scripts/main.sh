#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build

# Until the viewer exists: make a small archive with Info-ZIP, list it and
# extract it with the component.
work=$(mktemp -d)
mkdir -p "$work/src/pictures"
printf 'Hello from the archive\n' > "$work/src/readme.txt"
seq 1 5000 > "$work/src/pictures/numbers.txt"
(cd "$work/src" && zip -qr "$work/sample.zip" .)
build/examples/listextract "$work/sample.zip" "$work/out"
