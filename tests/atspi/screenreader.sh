#!/bin/sh
# screenreader.sh PROGRAM
# The program as a screen reader meets it: a session bus, an X display and the
# accessibility bus of their own (nothing of the caller's is needed or used),
# then screenreader.py drives PROGRAM through AT-SPI alone.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
for tool in dbus-run-session xvfb-run dbus-send /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (packages dbus, xvfb, at-spi2-core)"; exit 1; }
done
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" /usr/bin/python3 "$here/screenreader.py" "$1"
