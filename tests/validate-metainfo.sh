#!/bin/sh
# Checks the AppStream metainfo file offline; without the tool the check is skipped (exit 77).
if ! command -v appstreamcli >/dev/null 2>&1; then
    echo "appstreamcli is not installed (package appstream)"
    exit 77
fi
exec appstreamcli validate --no-net "$1"
