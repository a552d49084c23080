# across_plain_url on addresses it must take and ones it must refuse, each
# checked by its own cmake -P run. A row is "taken URL" or "refused URL";
# <semicolon> stands for ; (a list separator here).
#   cmake -DCHECKER=plain_url.cmake -P plain_url_test.cmake
cmake_minimum_required(VERSION 3.25)
set(rows
    "taken https://search.example.org/search"
    "taken http://www.example.org"
    "taken https://my.site.example:8443/a/b?q=1&x=y#top"
    "refused ftp://example.org/"
    "refused https://"
    "refused https://example.org/a<semicolon>b"
    "refused https://example.org/a b"
    "refused https://example.org/\"x"
    "refused https://example.org/'x"
    "refused https://example.org/a,b"
    "refused https://example.org/$x"
    "refused https://example.org/a\nb"
    "refused https://example.org\\x"
    "refused javascript:alert(1)")
set(failures 0)
foreach(row IN LISTS rows)
  string(REPLACE "<semicolon>" ";" row "${row}")
  string(REGEX MATCH "^[a-z]+" want "${row}")
  string(REGEX REPLACE "^[a-z]+ " "" value "${row}")
  execute_process(COMMAND ${CMAKE_COMMAND} "-DADDRESS=${value}" -DCHECK=ADDRESS -P ${CHECKER}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(status EQUAL 0)
    set(got taken)
  else()
    set(got refused)
  endif()
  if(NOT got STREQUAL want)
    message(SEND_ERROR "plain_url: \"${value}\" was ${got}, should be ${want}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "plain_url: ${failures} wrong")
endif()
