# Shared by the set-up scripts: installs the Debian packages a step needs
# when they are missing, and configures and builds the project.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${CAVRA_BUILD_DIR:-$ROOT/build/release}

# Packages to build the library and the tool.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libpugixml-dev libmuparser-dev libsqlite3-dev libpq-dev)
# And to build and run the tests and benchmarks (PostgreSQL for the
# PostgreSQL data-source suite, the sqlite3 shell for the tool's tests).
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev postgresql sqlite3)
# And to render print documents (src/render: PDF, HTML, spreadsheets,
# barcodes, printers) and send mail through SMTP; the build leaves out what
# is missing, the main job prints its PDF with them.
RENDER_PACKAGES=(libcairo2-dev libpango1.0-dev fonts-noto-cjk libzint-dev libxlsxwriter-dev libcups2-dev
  libcurl4-openssl-dev)
# And to check rendered output in the tests as a person would see it: poppler
# (pdfinfo, pdftotext, pdffonts, pdftoppm), a browser printing the HTML,
# zbarimg reading barcodes, openpyxl reading spreadsheets back, and a local
# SMTP sink with a certificate of its own.
OUTPUT_CHECK_PACKAGES=(poppler-utils chromium zbar-tools python3-openpyxl python3-aiosmtpd openssl)
# And to build and run the fuzz targets (clang's libFuzzer and sanitizer runtimes).
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

log() { printf '[cavra] %s\n' "$*" >&2; }

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  log "installing ${missing[*]}"
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  log "configuring $dir"
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  log "building"
  cmake --build "$dir" --parallel
}
