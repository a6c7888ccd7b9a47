# Install rules for the koru library: the library, its one public header, a CMake
# package (find_package(koru CONFIG)), a pkg-config file and the licence. Every
# installed path is relative to the install prefix, so `cmake --install <build>
# --prefix <dir>` works for any <dir> chosen at install time.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORU_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/koru"
  CACHE STRING "Where koruConfig.cmake is installed, relative to the prefix")
set(KORU_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
  CACHE STRING "Where koru.pc is installed, relative to the prefix")

install(TARGETS koru
  EXPORT koruTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(FILES ${PROJECT_SOURCE_DIR}/koru/koru.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/koru)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/koru)

# With a shared koru the installed tool finds the library relative to itself
# ($ORIGIN), so the installed tree runs from any prefix without LD_LIBRARY_PATH.
# A CMAKE_INSTALL_RPATH given by the user is kept.
get_target_property(_koru_type koru TYPE)
if(TARGET koru_cli AND _koru_type STREQUAL "SHARED_LIBRARY" AND NOT CMAKE_INSTALL_RPATH)
  file(RELATIVE_PATH _koru_bin_to_lib
    "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set_target_properties(koru_cli PROPERTIES INSTALL_RPATH "\$ORIGIN/${_koru_bin_to_lib}")
endif()

install(EXPORT koruTargets
  NAMESPACE koru::
  FILE koruTargets.cmake
  DESTINATION ${KORU_INSTALL_CMAKEDIR})

# Dependencies a consumer must find again. The core uses the standard library
# alone; this only matters if the library target ever links threads publicly.
get_target_property(_koru_link_libs koru LINK_LIBRARIES)
if(NOT _koru_link_libs)
  set(_koru_link_libs "")
endif()
set(KORU_CONFIG_DEPENDENCIES "")
set(KORU_PC_LIBS_PRIVATE "")
# Users of a shared koru compile with KORU_SHARED, as the CMake target passes on.
set(KORU_PC_CFLAGS "")
if(_koru_type STREQUAL "SHARED_LIBRARY")
  set(KORU_PC_CFLAGS " -DKORU_SHARED")
endif()
if("Threads::Threads" IN_LIST _koru_link_libs)
  string(APPEND KORU_CONFIG_DEPENDENCIES "find_dependency(Threads)\n")
  string(APPEND KORU_PC_LIBS_PRIVATE " -pthread")
endif()

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/koruConfig.cmake.in
  ${PROJECT_BINARY_DIR}/koruConfig.cmake
  INSTALL_DESTINATION ${KORU_INSTALL_CMAKEDIR})

write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/koruConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)

install(FILES
  ${PROJECT_BINARY_DIR}/koruConfig.cmake
  ${PROJECT_BINARY_DIR}/koruConfigVersion.cmake
  DESTINATION ${KORU_INSTALL_CMAKEDIR})

# pkg-config: the prefix is found from the .pc file's own location, so the file is
# right wherever the tree is installed. Absolute include/lib dirs are kept as given.
file(RELATIVE_PATH KORU_PC_PREFIX_FROM_PCDIR
  "/koru-prefix/${KORU_INSTALL_PKGCONFIGDIR}" "/koru-prefix")
string(REGEX REPLACE "/$" "" KORU_PC_PREFIX_FROM_PCDIR "${KORU_PC_PREFIX_FROM_PCDIR}")
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(KORU_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(KORU_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(KORU_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(KORU_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/koru.pc.in
  ${PROJECT_BINARY_DIR}/koru.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/koru.pc
  DESTINATION ${KORU_INSTALL_PKGCONFIGDIR})

unset(_koru_link_libs)
unset(_koru_type)
unset(_koru_bin_to_lib)
