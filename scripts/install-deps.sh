#!/usr/bin/env bash
# Installs the Debian packages the build and the program need, only those that
# are missing (QtKeychain keeps the TMDb key in the desktop's secret store).
# With --tests, also what the tests need: clang with libFuzzer for the fuzz
# target, and dpkg-dev, appstream and lintian for the Debian package's test.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-noto-cjk
          qtkeychain-qt6-dev)
[ "${1:-}" = "--tests" ] && packages+=(clang libclang-rt-dev dpkg-dev appstream lintian)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
