# Builds the site's index: the template with its marker line
# "<!-- calculators -->" replaced by the lines `frame --index-list` wrote.
#   cmake -DTEMPLATE=index.html.in -DLIST=index_list -DOUTPUT=index.html -P index_page.cmake
file(READ ${TEMPLATE} page)
if(NOT page MATCHES "<!-- calculators -->\n")
  message(FATAL_ERROR "${TEMPLATE} has no line <!-- calculators -->")
endif()
file(READ ${LIST} lines)
string(REPLACE "<!-- calculators -->\n" "${lines}" page "${page}")
file(WRITE ${OUTPUT}.tmp "${page}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
