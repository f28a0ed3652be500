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

# The pkg-config file is relocatable while the library and header folders are relative to the
# prefix: the prefix is found from the file's own place. A folder given as an absolute path (as
# distribution packagers do) is written as it stands, and then so is the prefix.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(MORSEL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH MORSEL_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" MORSEL_PC_TO_PREFIX "${MORSEL_PC_TO_PREFIX}")
  set(MORSEL_PC_PREFIX "\${pcfiledir}/${MORSEL_PC_TO_PREFIX}")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(MORSEL_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(MORSEL_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/morsel.pc.in ${PROJECT_BINARY_DIR}/morsel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/morsel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
