# Finds every text of the windows' code with lupdate (into a fresh file in the build tree, so
# that the committed translation is never rewritten) and fails, naming them, when one lacks an
# English translation in tarvio_en.ts. Run by the build and by ctest:
#   cmake -DLUPDATE=... -DPYTHON=... -DSOURCE_DIR=... -DFOUND_TS=... -P check.cmake
set(dirs)
foreach(d app editor views)
  if(EXISTS ${SOURCE_DIR}/${d})
    list(APPEND dirs ${SOURCE_DIR}/${d})
  endif()
endforeach()
file(REMOVE ${FOUND_TS})
execute_process(
  COMMAND ${LUPDATE} -silent -no-obsolete -locations none -I ${SOURCE_DIR} -source-language ja -target-language en ${dirs} -ts ${FOUND_TS}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${rc})")
endif()
execute_process(
  COMMAND ${PYTHON} ${SOURCE_DIR}/scripts/check_translations.py ${FOUND_TS} ${SOURCE_DIR}/app/i18n/tarvio_en.ts
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Add the English translations above to app/i18n/tarvio_en.ts")
endif()
