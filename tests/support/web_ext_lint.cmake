# Runs `web-ext lint` over the Firefox build of the extension; warnings count as errors.
# Without web-ext the test is skipped, except under CI where it must be there.
if(NOT WEB_EXT OR NOT EXISTS "${WEB_EXT}")
  if(DEFINED ENV{CI})
    message(FATAL_ERROR "web-ext missing under CI (scripts/install-deps.sh installs it)")
  endif()
  message("web-ext is not installed: lint skipped (npm install -g web-ext)")
  return()
endif()
file(MAKE_DIRECTORY ${WORK})
set(ENV{HOME} ${WORK})
set(ENV{NO_UPDATE_NOTIFIER} 1)
execute_process(COMMAND ${WEB_EXT} lint --source-dir ${SOURCE} --warnings-as-errors
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "web-ext lint failed (${rc})")
endif()
