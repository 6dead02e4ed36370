# Play one session script with hostsim and compare everything it printed
# (and its exit status) with the .expected file beside the script.
get_filename_component(name ${SCRIPT} NAME_WE)
get_filename_component(dir ${SCRIPT} DIRECTORY)
# Each run starts in an empty folder: files a session writes must not leak into the next run.
file(REMOVE_RECURSE ${OUTDIR}/${name})
file(MAKE_DIRECTORY ${OUTDIR}/${name})
execute_process(COMMAND ${HOSTSIM} --workspace ${WORKSPACE} ${SCRIPT}
  WORKING_DIRECTORY ${OUTDIR}/${name}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
set(actual "${out}${err}[exit ${rc}]\n")
file(WRITE ${OUTDIR}/${name}.actual "${actual}")
file(READ ${dir}/${name}.expected expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${dir}/${name}.expected ${OUTDIR}/${name}.actual)
  message(FATAL_ERROR "session ${name}: output differs from ${name}.expected")
endif()
