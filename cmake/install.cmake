# The CMake package (find_package(morsel CONFIG)) and the pkg-config file of the library. The
# targets' own install rules live beside them.
include(CMakePackageConfigHelpers)

set(MORSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/morsel)

install(
  EXPORT morselTargets
  NAMESPACE morsel::
  DESTINATION ${MORSEL_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/morselConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/morselConfig.cmake INSTALL_DESTINATION ${MORSEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/morselConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/morselConfig.cmake ${PROJECT_BINARY_DIR}/morselConfigVersion.cmake
        DESTINATION ${MORSEL_CMAKE_DIR})

# A relocatable pkg-config file: the prefix is found from the file's own place.
file(RELATIVE_PATH MORSEL_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" MORSEL_PC_TO_PREFIX "${MORSEL_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/morsel.pc.in ${PROJECT_BINARY_DIR}/morsel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/morsel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
