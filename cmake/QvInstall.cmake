# Install rules, the CMake package (find_package(qv)) and the pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS qvcore EXPORT qvTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(dir platform log finder foundation functions localize)
  install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qv/${dir} FILES_MATCHING PATTERN "*.h"
          PATTERN "qt" EXCLUDE)
endforeach()
install(FILES helper/main.cpp helper/AppDelegate.cpp helper/AppDelegate.h DESTINATION ${CMAKE_INSTALL_DATADIR}/qv/helper)

install(EXPORT qvTargets NAMESPACE qv:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qv)
configure_package_config_file(cmake/qvConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/qvConfig.cmake PATH_VARS CMAKE_INSTALL_DATADIR
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qv)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qvConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/qvConfigVersion.cmake
              cmake/QvBundle.cmake cmake/Info.plist.in
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qv)

configure_file(cmake/qv.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qv.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qv.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
