#!/bin/sh
# The libraries loaded at every start of the program: libcurl (a URL) and
# libpulse (the sound server) with the libraries they bring are loaded when
# first needed, not by the dynamic linker before main.
#   check_start_libraries.sh PROGRAM
set -eu
program=$1
libs=$(ldd "$program") || { echo "ldd $program failed" >&2; exit 1; }
status=0
for lib in libcurl libpulse libsndfile libgnutls libkrb5; do
    if printf '%s\n' "$libs" | grep -q "^[[:space:]]*$lib[.-]"; then
        echo "$program loads $lib at start:" >&2
        printf '%s\n' "$libs" | grep "$lib" >&2
        status=1
    fi
done
# Proof that the check reads ldd's listing: Qt is always there.
printf '%s\n' "$libs" | grep -q "libQt6Widgets" || { echo "no Qt in ldd's listing" >&2; exit 1; }
exit $status
