#!/usr/bin/env bash
# Sets everything up and runs one silent upgrade against the simulated bridge: the bridge on
# firmware 1.00 is reprogrammed with the image S102_v2.10.hex, then a GT911 controller on
# firmware 1050 is brought to the image GT911_1060.bin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon quillon-sim-image quillon-sim-bridge-image \
  quillon-sim-identify

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/System/ChipIni" "$demo/System/CfgItem"
cp build/default/quillon "$demo/"
cat > "$demo/System/AppConfigInit.ini" <<'INI'
[VID_LIST]
Vid List=27C6
[CHIP LIST]
chip list=GT911,GT9110P
[MCU_TYPE]
TYPE1=S102
INI
build/default/quillon-sim-image "$demo/GT911_1060.bin" 911 1060
cat > "$demo/sim.ini" <<'INI'
[Bridge]
VendorId=27C6
ProductId=0102
Version=0100
Interface=1
Identity=Halden_V1.00
[Boot]
ChipType=52
[Chip]
Family=GT9xxx
ProductId=911
Version=1050
INI

echo "Identifying a simulated controller of each family:"
# The chip layer's message boxes (UI item files the demonstration does not ship) go to a file.
build/default/quillon-sim-identify "$demo" 2> "$demo/identify-messages.txt"
rm -f "$demo"/System/ChipIni/*.ini
build/default/quillon-sim-bridge-image "$demo" S102_v2.10 Halden_V2.10 hex >/dev/null
cat > "$demo/System/ChipIni/GT911_demo.ini" <<'INI'
[Cfg]
CFGAddr=0x8047
CfgLength=186
INI
echo
echo "Running: quillon /s /u in $demo (simulated bridge on firmware 1.00, image S102_v2.10.hex;"
echo "  simulated GT911 on firmware 1050, image GT911_1060.bin)"
QUILLON_SIM="$PWD/$demo/sim.ini" QUILLON_SIM_TRACE="$PWD/$demo/trace.txt" "$demo/quillon" /s /u
echo
echo "Bridge in boot mode: $(grep '^# ISP program' "$demo/trace.txt" | tail -1 | cut -c3-)"
echo "Reports exchanged with the simulated bridge: $(grep -c '^[<>]' "$demo/trace.txt") (trace: $demo/trace.txt)"
