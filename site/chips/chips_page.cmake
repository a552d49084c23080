# Builds the colour-chip page: the template with its marker lines
# "<!-- rgb -->" and "<!-- gray -->" replaced by the chip lines of the
# fragment files. Written beside the page and renamed over it.
#   cmake -DTEMPLATE=chips.html.in -DRGB=rgb -DGRAY=gray -DOUTPUT=chips.html -P chips_page.cmake
file(READ ${TEMPLATE} page)
foreach(fragment rgb gray)
  string(TOUPPER ${fragment} file_variable)
  if(NOT page MATCHES "<!-- ${fragment} -->\n")
    message(FATAL_ERROR "${TEMPLATE} has no line <!-- ${fragment} -->")
  endif()
  file(READ ${${file_variable}} lines)
  string(REPLACE "<!-- ${fragment} -->\n" "${lines}" page "${page}")
endforeach()
file(WRITE ${OUTPUT}.tmp "${page}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
