#!/usr/bin/env bash
# Sound libraries are loaded at the first sound, not before the main window can
# show: the program file itself needs none of them; the module beside it does.
set -u
program=$1
module=$(dirname "$program")/zorvik_sound.so
[ -f "$module" ] || { echo "no sound module beside the program"; exit 1; }
program_needs=$(readelf -d "$program" | grep NEEDED)
module_needs=$(readelf -d "$module" | grep NEEDED)
for lib in libQt6Multimedia libpulse libasound; do
  if grep -q "$lib" <<<"$program_needs"; then echo "the program itself needs $lib"; exit 1; fi
  grep -q "$lib" <<<"$module_needs" || { echo "the sound module does not bring $lib"; exit 1; }
done
echo "sound on demand: ok"
