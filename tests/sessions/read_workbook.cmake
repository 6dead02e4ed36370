# Read a workbook a session saved with an independent reader (xlsx2csv, not
# the library the spreadsheet program writes with) and compare every sheet
# with the expected text.
#   cmake -DBOOK=<xlsx> -DEXPECTED=<file> -P read_workbook.cmake
execute_process(COMMAND xlsx2csv -a ${BOOK} OUTPUT_VARIABLE actual ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "xlsx2csv cannot read ${BOOK}: ${err}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "${BOOK} reads as\n${actual}\nexpected\n${expected}")
endif()
