#!/usr/bin/env bash
# From a clean clone: installs what is needed, builds, and starts the control center
# and the chat client. Without a display they run on a virtual X display (Xvfb).
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
