# cmake -DSOURCE_DIR=... -DBUILD_DIR=... [-DRCOMP=...] -P build_dll.cmake
# Cross-build tarvik.dll in BUILD_DIR (configured once). The build fails when
# a source does not compile for 32-bit Windows, a record's layout differs
# there, or the export table is not the published list and MdlMain.
cmake_minimum_required(VERSION 3.22)
if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G Ninja
                          -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/i686-w64-mingw32.cmake
                          -DZM_WINDOWS_DLL=ON -DCMAKE_BUILD_TYPE=Release -DZM_RCOMP=${RCOMP}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${BUILD_DIR}/CMakeCache.txt)
    message(FATAL_ERROR "configuring the Windows build failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building tarvik.dll failed")
endif()
