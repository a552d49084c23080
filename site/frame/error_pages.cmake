# Writes DIR/<code>.html, the site's error document, for every status the
# frame lists, and nothing else there; then touches STAMP.
#   cmake -DFRAME=frame -DDIR=htdocs/errors -DSTAMP=stamp -P error_pages.cmake
execute_process(COMMAND ${FRAME} --error-statuses OUTPUT_VARIABLE codes COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\n$" "" codes "${codes}")
string(REPLACE "\n" ";" codes "${codes}")
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
foreach(code IN LISTS codes)
  execute_process(COMMAND ${FRAME} --error-page ${code} OUTPUT_FILE ${DIR}/${code}.html
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(TOUCH ${STAMP})
