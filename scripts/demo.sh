#!/usr/bin/env bash
# Builds the library and the cavra-voucher tool, then runs its demo on the
# embedded default database (created on first use; see README).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ensure_packages "${BUILD_PACKAGES[@]}" "${RENDER_PACKAGES[@]}"
configure_and_build "$BUILD_DIR" -DCAVRA_BUILD_TESTS=OFF -DCAVRA_BUILD_BENCHMARKS=OFF
exec "$BUILD_DIR/tools/cavra-voucher/cavra-voucher" demo "$@"
