#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators (skipped when absent).
set -euo pipefail
src=$1
command -v desktop-file-validate >/dev/null && command -v appstreamcli >/dev/null || exit 77
desktop-file-validate "$src/packaging/org.tesmaro.Tesmaro.desktop"
appstreamcli validate --no-net --pedantic "$src/packaging/org.tesmaro.Tesmaro.metainfo.xml"
