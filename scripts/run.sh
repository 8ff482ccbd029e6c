#!/usr/bin/env bash
# From a clean clone: installs what is needed, builds, and starts the control center
# (with a local network of its own when the settings name no tracker; see run.sh.session).
# Without a display the programs run on a virtual X display (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
bin=$PWD/build/bin
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running on a virtual X display (Xvfb); nothing will be visible."
  exec xvfb-run -a "$0.session" "$bin"
fi
exec "$0.session" "$bin"
