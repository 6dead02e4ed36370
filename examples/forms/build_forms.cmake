# Play forms.session from scratch; its listing goes to forms.log beside the
# work folder, and a failed session fails the build with that listing.
file(GLOB old ${CELLDIR}/logo.cel* ${CELLDIR}/forms.cel*)
if(old)
  file(REMOVE ${old})
endif()
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${CELLDIR} ${WORKDIR})
execute_process(COMMAND ${HOSTSIM} --workspace ${WORKSPACE} ${SCRIPT}
  WORKING_DIRECTORY ${WORKDIR} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(WRITE ${WORKDIR}/../forms.log "${out}${err}")
if(NOT rc EQUAL 0)
  file(GLOB old ${CELLDIR}/logo.cel* ${CELLDIR}/forms.cel*)
if(old)
  file(REMOVE ${old})
endif()
  message(FATAL_ERROR "forms.session failed:\n${err}")
endif()
