# Every file the package cannot do without; a missing one stops the package step with its
# name, instead of producing a package without it.
#   cmake -DROOT=<source tree> -P required_files.cmake     (or included with ROOT set)
include(${CMAKE_CURRENT_LIST_DIR}/../data/icons/sizes.cmake)
set(VELKARO_PACKAGE_FILES
    data/icons/velkaro-reader.svg
    data/icons/sizes.cmake
    packaging/velkaro-reader.desktop
    packaging/velkaro-reader.metainfo.xml
    packaging/velkaro-reader.launcher
    packaging/lintian-overrides
    packaging/copyright
    packaging/changelog
    packaging/velkaro-reader.1
    packaging/screenshots/main.png)
foreach(size ${VELKARO_ICON_SIZES})
  list(APPEND VELKARO_PACKAGE_FILES data/icons/velkaro-reader-${size}.png)
endforeach()
foreach(file ${VELKARO_PACKAGE_FILES})
  if(NOT EXISTS "${ROOT}/${file}")
    message(FATAL_ERROR "package: ${file} is missing; the package is not built without it "
                        "(the icons are drawn from data/icons/velkaro-reader.svg by scripts/icons)")
  endif()
endforeach()
