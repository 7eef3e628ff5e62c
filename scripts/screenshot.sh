#!/usr/bin/env bash
# Renders the main dialog after one upgrade run against the simulated bridge (a GT911 on
# firmware 1050 brought to GT911_1060.bin) to docs/dialog.png, on Qt's offscreen platform:
# no display is needed. Usage: scripts/screenshot.sh [picture.png]
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
# The run's pauses on virtual time: the picture is ready in a moment.
printf '[Time]\nVirtual=1\n' >> "$folder/sim.ini"

mkdir -p "$(dirname "$picture")"
QT_QPA_PLATFORM=offscreen QUILLON_SIM="$PWD/$folder/sim.ini" \
  build/default/quillon-grab "$folder" "$picture"
echo "Dialog after a simulated run: $picture"
