# Sourced first by the shell tests that drive the real window: skipped without
# xvfb-run and xdotool, else the calling test runs again in an X server of its own.
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "no xvfb-run/xdotool: skipped"; exit 77; }
if [ -z "${ZORVIK_IN_XVFB:-}" ]; then
  ZORVIK_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
# xdotool finds only windows on that server, whatever platform the caller's environment names.
export QT_QPA_PLATFORM=xcb
