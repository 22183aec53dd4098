#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in the default data
# directory, which is filled with the sample collection on its first use.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"

data="${XDG_DATA_HOME:-$HOME/.local/share}/reelnote"
if [ ! -d "$data" ]; then
  mkdir -p "$data"
  cp -p "$root"/sample/* "$data"/
  echo "Sample collection copied to $data"
fi
cd "$data"
exec "$root/build/reelnote"
