# The add-in as the platform loads it: tarvik.dll for 32-bit Windows, built
# from app/ and lib/ alone (configure with -DZM_WINDOWS_DLL=ON and the
# toolchain cmake/i686-w64-mingw32.cmake). It links the platform's functions
# through import libraries made here from the host headers, and Windows
# itself through the system's import libraries. After linking, its export
# table is checked against lib/public_api.txt.
#
# ZM_RCOMP may name the resource compiler of a native build; the resource
# file tarvik.ma is then compiled beside the DLL, its type descriptions
# describing the records as this compiler lays them out.

if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "ZM_WINDOWS_DLL builds for 32-bit Windows: configure with "
                      "-DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake")
endif()
find_program(ZM_DLLTOOL NAMES ${CMAKE_DLLTOOL} i686-w64-mingw32-dlltool REQUIRED)
find_program(ZM_OBJDUMP NAMES ${CMAKE_OBJDUMP} i686-w64-mingw32-objdump REQUIRED)
set(ZM_RCOMP "" CACHE FILEPATH "resource compiler of a native build (optional)")

# ---- Import libraries of the platform ------------------------------------
# Every HOST_API declaration of host/*.h is one export of a platform
# library, chosen by the first prefix of this table that its name starts
# with ("" takes the rest). Functions are cdecl and undecorated; variables
# are exported as data.
set(ZM_PLATFORM_LIBRARIES
  # prefix            library
  "toolSubsystem_     hosttools"
  "mdlDialog_         hostdialogs"
  "mdlWindow_         hostdialogs"
  "                   hostcore")

file(GLOB platform_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/*.h)
# A new declaration in a header is a new import: configure again when one changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${platform_headers})
set(platform_libraries "")
foreach(header ${platform_headers})
  file(STRINGS ${header} declarations REGEX "^HOST_API ")
  foreach(declaration ${declarations})
    if(declaration MATCHES "^HOST_API [^(;]*[ *]([A-Za-z_][A-Za-z0-9_]*) *\\(")
      set(entry "${CMAKE_MATCH_1}")
    elseif(declaration MATCHES "^HOST_API [^(;]*[ *]([A-Za-z_][A-Za-z0-9_]*) *;")
      set(entry "${CMAKE_MATCH_1} DATA")
    else()
      message(FATAL_ERROR "${header}: cannot read the declaration \"${declaration}\"")
    endif()
    foreach(row ${ZM_PLATFORM_LIBRARIES})
      string(STRIP "${row}" row)
      string(REGEX REPLACE "[ \t]+" ";" words "${row}")
      list(LENGTH words count)
      if(count EQUAL 1)
        set(prefix "")
        list(GET words 0 library)
      else()
        list(GET words 0 prefix)
        list(GET words 1 library)
      endif()
      string(FIND "${entry}" "${prefix}" at)
      if(at EQUAL 0)
        list(APPEND platform_entries_${library} "${entry}")
        list(APPEND platform_libraries ${library})
        break()
      endif()
    endforeach()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES platform_libraries)

set(platform_import_libraries "")
foreach(library ${platform_libraries})
  list(SORT platform_entries_${library})
  list(REMOVE_DUPLICATES platform_entries_${library})
  list(JOIN platform_entries_${library} "\n  " entries)
  set(def ${CMAKE_BINARY_DIR}/platform/${library}.def)
  set(implib ${CMAKE_BINARY_DIR}/platform/lib${library}.a)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${library}.dll\nEXPORTS\n  ${entries}\n" @ONLY)
  add_custom_command(OUTPUT ${implib}
    COMMAND ${ZM_DLLTOOL} -d ${def} -l ${implib}
    DEPENDS ${def}
    COMMENT "Import library of ${library}.dll")
  list(APPEND platform_import_libraries ${implib})
endforeach()
add_custom_target(platform_import_libraries DEPENDS ${platform_import_libraries})

# ---- The add-in ------------------------------------------------------------
file(GLOB TARVIK_DLL_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/lib/*/*.cpp ${PROJECT_SOURCE_DIR}/lib/zmlib_stub.cpp)
# Windows libraries: those the add-in calls, none by default.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
add_library(tarvik SHARED ${TARVIK_DLL_SOURCES})
set_target_properties(tarvik PROPERTIES PREFIX "" OUTPUT_NAME tarvik
  RUNTIME_OUTPUT_DIRECTORY ${ZM_MDLAPPS_DIR})
target_include_directories(tarvik PRIVATE ${PROJECT_SOURCE_DIR})
# SSE2 arithmetic as on the 64-bit build: x87's extended precision changes
# computed geometry.
target_compile_options(tarvik PRIVATE -msse2 -mfpmath=sse)
target_link_options(tarvik PRIVATE -static-libgcc -static-libstdc++ -Wl,--no-undefined)
add_dependencies(tarvik platform_import_libraries)
target_link_libraries(tarvik PRIVATE ${platform_import_libraries} kernel32 advapi32 winspool mpr user32)

# The export table is the published list and MdlMain, undecorated.
add_custom_command(TARGET tarvik POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${ZM_OBJDUMP} -DDLL=$<TARGET_FILE:tarvik>
          -DLIST=${PROJECT_SOURCE_DIR}/lib/public_api.txt
          -P ${PROJECT_SOURCE_DIR}/cmake/CheckDllExports.cmake
  COMMENT "Checking the export table of tarvik.dll")

# ---- Layouts and the resource file -----------------------------------------
# The records' layouts on this target, checked at compile time.
add_library(tarvik_layouts OBJECT ${PROJECT_SOURCE_DIR}/tests/windows/record_layouts.cpp)
target_include_directories(tarvik_layouts PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(tarvik tarvik_layouts)

# The type descriptions as this target lays the records out: the generator
# compiled for it keeps its text in section .zmtypes of its object (it is
# never run), copied out with objcopy.
find_program(ZM_OBJCOPY NAMES ${ZM_CROSS_PREFIX}-objcopy objcopy REQUIRED)
add_library(tarvik_typedesc OBJECT ${PROJECT_SOURCE_DIR}/app/typedesc/tarvik_types.cpp)
target_include_directories(tarvik_typedesc PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(tarvik_typedesc PRIVATE ZM_TYPEDESC_EMBED)
set(tarvik_types ${CMAKE_BINARY_DIR}/tarvik_types.toml)
add_custom_command(OUTPUT ${tarvik_types}
  COMMAND ${ZM_OBJCOPY} -O binary --only-section=.zmtypes $<TARGET_OBJECTS:tarvik_typedesc> ${tarvik_types}
  DEPENDS tarvik_typedesc $<TARGET_OBJECTS:tarvik_typedesc>
  COMMENT "Type descriptions of the records for ${CMAKE_SYSTEM_PROCESSOR} Windows")
add_custom_target(tarvik_types ALL DEPENDS ${tarvik_types})

# The resource file beside the DLL, when a native build lends its compiler.
if(ZM_RCOMP)
  file(GLOB TARVIK_RESOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.toml)
  add_custom_command(OUTPUT ${ZM_MDLAPPS_DIR}/tarvik.ma
    COMMAND ${ZM_RCOMP} -o ${ZM_MDLAPPS_DIR}/tarvik.ma ${TARVIK_RESOURCES} ${tarvik_types}
    DEPENDS ${ZM_RCOMP} ${TARVIK_RESOURCES} ${tarvik_types}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/app
    COMMENT "Compiling resources ${ZM_MDLAPPS_DIR}/tarvik.ma")
  add_custom_target(tarvik_rsc ALL DEPENDS ${ZM_MDLAPPS_DIR}/tarvik.ma)
endif()
