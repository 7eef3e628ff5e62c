#!/usr/bin/env bash
# Renders the main dialog after one upgrade run against the simulated bridge (a GT911 on
# firmware 1050 brought to GT911_1060.bin and given GT911_demo.cfg) to docs/dialog.png, on Qt's
# offscreen platform: no display is needed. The run takes its real time (a few seconds), so the
# picture shows the window as a user sees it after the run: the version report, which cleared
# the run's lines. Usage: scripts/screenshot.sh [picture.png]
set -euo pipefail
cd "$(dirname "$0")/.."
picture=${1:-docs/dialog.png}
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon quillon-sim-image quillon-sim-config quillon-grab

source scripts/sim-folder.sh
folder=build/screenshot
sim_folder "$folder"
sim_chip_settings "$folder"

mkdir -p "$(dirname "$picture")"
QT_QPA_PLATFORM=offscreen QUILLON_SIM="$PWD/$folder/sim.ini" \
  build/default/quillon-grab "$folder" "$picture"
echo "Dialog after a simulated run: $picture"
