# The package step refuses a tree without one of its icons or its metainfo, naming the file.
#   cmake -DSOURCE=<source tree> -DWORK=<scratch folder> -P required_files_test.cmake
function(check_tree expect_missing)
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK} -P ${SOURCE}/packaging/required_files.cmake
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(expect_missing STREQUAL "")
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "a complete tree was refused: ${err}")
    endif()
  elseif(rc EQUAL 0 OR NOT err MATCHES "${expect_missing} is missing")
    message(FATAL_ERROR "a tree without ${expect_missing} was not refused by name: ${err}")
  endif()
endfunction()

foreach(missing "" data/icons/velkaro-reader-48.png data/icons/velkaro-reader.svg
        packaging/velkaro-reader.metainfo.xml packaging/velkaro-reader.desktop)
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK})
  file(COPY ${SOURCE}/data ${SOURCE}/packaging DESTINATION ${WORK})
  if(NOT missing STREQUAL "")
    file(REMOVE ${WORK}/${missing})
  endif()
  check_tree("${missing}")
endforeach()
file(REMOVE_RECURSE ${WORK})
