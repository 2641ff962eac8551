# Installs the libraries, the public headers, a CMake package
# (find_package(CavraVoucherService)) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(CAVRA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/CavraVoucherService)

install(TARGETS cavra_voucher cavra_voucher_static
  EXPORT CavraVoucherServiceTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/cavra DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(CAVRA_WITH_RENDER)
  # cavra::render: linking it makes the renderer the default print control.
  install(TARGETS cavra_render_shared
    EXPORT CavraVoucherServiceTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/src/render/print_control.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cavra/render)
endif()
install(EXPORT CavraVoucherServiceTargets NAMESPACE cavra:: DESTINATION ${CAVRA_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/CavraVoucherServiceConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CavraVoucherServiceConfig.cmake INSTALL_DESTINATION ${CAVRA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CavraVoucherServiceConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CavraVoucherServiceConfig.cmake
  ${PROJECT_BINARY_DIR}/CavraVoucherServiceConfigVersion.cmake DESTINATION ${CAVRA_CMAKE_DIR})

# The prefix relative to the .pc file, so that an installed tree can move.
file(RELATIVE_PATH CAVRA_PC_PREFIX_FROM_PCDIR "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
set(CAVRA_PC_PQ "")
if(CAVRA_WITH_POSTGRES)
  set(CAVRA_PC_PQ libpq)
endif()
if(CAVRA_WITH_SMTP)
  string(APPEND CAVRA_PC_PQ " libcurl")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/cavra-voucher.pc.in ${PROJECT_BINARY_DIR}/cavra-voucher.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/cavra-voucher.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
