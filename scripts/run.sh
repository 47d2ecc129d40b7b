#!/usr/bin/env bash
# Installs what is missing, builds and starts Reelvane (under Xvfb where there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/app/reelvane "$@"
fi
exec build/app/reelvane "$@"
