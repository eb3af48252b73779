#!/bin/sh
# run_checked.sh REPORTS TEST...: runs a test whose sanitizer reports, and those of every
# program it starts, are written into the folder REPORTS; fails when any was written.
reports=$1
shift
rm -rf "$reports"
mkdir -p "$reports"
"$@"
status=$?
if [ -n "$(ls -A "$reports")" ]; then
    cat "$reports"/*
    echo "sanitizer reports in $reports"
    exit 1
fi
exit $status
