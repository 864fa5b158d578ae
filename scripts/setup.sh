#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  libcairo2-dev libpixman-1-dev libfontconfig-dev libfreetype-dev libx11-dev
  libicu-dev zlib1g-dev libssl-dev libcurl4-openssl-dev libdw-dev libelf-dev libzydis-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xclip xdotool python3 tar gzip locales libxml2-utils valgrind
  # The screenshot PNGs the crash reporter writes are checked by a PNG reader other than its own.
  pngcheck
  # The crash reporter's call stacks are compared with the debugger's backtraces.
  gdb
  # The fonts the test programs use (tests/data/fonts.conf lists exactly these): DejaVu, and a font
  # with CJK characters for the per-character fallback.
  fonts-dejavu-core fonts-wqy-microhei
  # The loopback peers of the crash reporter's sending tests: SMTP, FTP and DNS servers in Python,
  # and openssl for the HTTPS test's certificate.
  python3-aiosmtpd python3-pyftpdlib python3-dnslib openssl
  # SQLite, the dataset benchmark's yardstick; libpng, the screenshot benchmark's.
  libsqlite3-dev libpng-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
