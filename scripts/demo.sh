#!/usr/bin/env bash
# Sets everything up and runs one silent upgrade against the simulated bridge: the bridge on
# firmware 1.00 is reprogrammed with the image S102_v2.10.hex, then a GT911 controller on
# firmware 1050 is brought to the image GT911_1060.bin and given the configuration
# GT911_demo.cfg (version 0x42, with the bridge's own configuration block).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon quillon-sim-image quillon-sim-bridge-image \
  quillon-sim-identify quillon-sim-config

source scripts/sim-folder.sh
demo=build/demo
sim_folder "$demo"

echo "Identifying a simulated controller of each family:"
# The chip layer's message boxes (UI item files the demonstration does not ship) go to a file.
build/default/quillon-sim-identify "$demo" 2> "$demo/identify-messages.txt"
sim_chip_settings "$demo"
build/default/quillon-sim-bridge-image "$demo" S102_v2.10 Halden_V2.10 hex >/dev/null
echo
echo "Running: quillon /s /u in $demo (simulated bridge on firmware 1.00, image S102_v2.10.hex;"
echo "  simulated GT911 on firmware 1050, image GT911_1060.bin; configuration version 65,"
echo "  file GT911_demo.cfg with version 66)"
QUILLON_SIM="$PWD/$demo/sim.ini" QUILLON_SIM_TRACE="$PWD/$demo/trace.txt" "$demo/quillon" /s /u
echo
echo "Bridge in boot mode: $(grep '^# ISP program' "$demo/trace.txt" | tail -1 | cut -c3-)"
echo "Reports exchanged with the simulated bridge: $(grep -c '^[<>]' "$demo/trace.txt") (trace: $demo/trace.txt)"
