# Sourced by demo.sh and screenshot.sh: a program folder for the simulated bench, with the
# executable, the settings, the image GT911_1060.bin, the configuration GT911_demo.cfg (version
# 0x42, with the bridge's own block) and the GT911's UI item file System/CfgItem/GT911_demo.sc,
# and sim.ini describing a simulated bridge on firmware 1.00 (boot-mode chip type 0x52) with a
# GT911 on firmware 1050 holding configuration version 0x41. Needs build/default/quillon,
# build/default/quillon-sim-image and build/default/quillon-sim-config.

# sim_folder DIR
sim_folder() {
  local dir=$1
  rm -rf "$dir"
  mkdir -p "$dir/System/ChipIni" "$dir/System/CfgItem"
  cp build/default/quillon "$dir/"
  cat > "$dir/System/AppConfigInit.ini" <<'INI'
[VID_LIST]
Vid List=27C6
[CHIP LIST]
chip list=GT911,GT9110P
[MCU_TYPE]
TYPE1=S102
INI
  build/default/quillon-sim-image "$dir/GT911_1060.bin" 911 1060
  build/default/quillon-sim-config "$dir"
  cat > "$dir/sim.ini" <<'INI'
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
ConfigVersion=41
INI
}

# sim_chip_settings DIR: the GT911's own settings file, alone in System/ChipIni.
sim_chip_settings() {
  local dir=$1
  rm -f "$dir"/System/ChipIni/*.ini
  cat > "$dir/System/ChipIni/GT911_demo.ini" <<'INI'
[Cfg]
CFGAddr=0x8047
CfgLength=186
INI
}
