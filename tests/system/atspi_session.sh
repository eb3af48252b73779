#!/usr/bin/env bash
# Inside a private D-Bus session: the AT-SPI bus, the program with Qt's accessibility on, and
# the driver that works the program through AT-SPI alone. Every process it starts is ended by
# its id when the driver is done.
# Usage: atspi_session.sh PROGRAM DRIVER [DRIVER ARGUMENTS...]
set -u
program=$1
driver=$2
shift 2
launcher=/usr/libexec/at-spi-bus-launcher
"$launcher" --launch-immediately &
bus=$!
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 CORVANTILE_PROGRAM="$program"
"$program" &
tool=$!
/usr/bin/python3 "$driver" "$@"
status=$?
kill "$tool" "$bus" 2>/dev/null
wait "$tool" "$bus" 2>/dev/null
exit $status
