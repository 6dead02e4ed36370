# zm_add_mdlapp(NAME [SHARED] SOURCES... [OBJECTS...] [USES addin...]
#               [RESOURCES toml...] [TYPES generator.cpp])
# Build an add-in as the host loads it: NAME.so in mdlapps/, exporting MdlMain
# and whatever its sources mark as exported, with NAME.ma (its resource file)
# compiled from the given resource sources beside it. TYPES names a type
# description generator (host/mdltypedesc.h) whose output joins them.
# SHARED makes the add-in a library other add-ins link to (soname NAME.so);
# USES links such add-ins and finds them beside this one ($ORIGIN), so that
# the dynamic linker reuses the copy the host has loaded, or loads the one
# the host will reuse: one copy per process, as on the platform.
function(zm_add_mdlapp name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;OBJECTS;USES;RESOURCES;TYPES" ${ARGN})
  if(ARG_TYPES)
    zm_add_typedesc(${name}_typedesc ${CMAKE_CURRENT_BINARY_DIR}/${name}_types.toml ${ARG_TYPES})
    list(APPEND ARG_RESOURCES ${CMAKE_CURRENT_BINARY_DIR}/${name}_types.toml)
  endif()
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES} ${ARG_OBJECTS})
  else()
    add_library(${name} MODULE ${ARG_SOURCES} ${ARG_OBJECTS})
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${ZM_MDLAPPS_DIR})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE simhost simwin ${ARG_USES})
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
  if(ARG_USES)
    # Relative run paths only: add-ins beside it, the host in bin/.
    set_target_properties(${name} PROPERTIES BUILD_WITH_INSTALL_RPATH ON
      INSTALL_RPATH "$ORIGIN;$ORIGIN/../bin")
  endif()
  if(ARG_RESOURCES)
    zm_add_resource_file(${name}_rsc ${ZM_MDLAPPS_DIR}/${name}.ma ${ARG_RESOURCES})
    add_dependencies(${name} ${name}_rsc)
  endif()
endfunction()

# zm_add_resource_file(TARGET OUTPUT SOURCES...)
# Compile readable resource sources into one resource file with rcomp.
function(zm_add_resource_file target output)
  set(sources ${ARGN})
  add_custom_command(OUTPUT ${output}
    COMMAND rcomp -o ${output} ${sources}
    DEPENDS rcomp ${sources}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    COMMENT "Compiling resources ${output}")
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# zm_add_typedesc(TARGET OUTPUT SOURCES...)
# Build the type description generator TARGET from SOURCES and run it to
# write the resource compiler source OUTPUT, describing the C++ records.
function(zm_add_typedesc target output)
  add_executable(${target} ${ARGN})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_custom_command(OUTPUT ${output}
    COMMAND ${target} ${output}
    DEPENDS ${target}
    COMMENT "Describing the records of ${target}")
endfunction()
