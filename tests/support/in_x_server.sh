#!/usr/bin/env bash
# Runs a widget test on an X server of its own (the xcb platform), for what
# shows only there; skipped without xvfb-run.
command -v xvfb-run >/dev/null || { echo "no xvfb-run: skipped"; exit 77; }
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x800x24" "$@"
