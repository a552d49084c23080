# across_plain_url(NAME): stops the configuration unless the variable NAME
# holds a plain address: http:// or https://, a host of letters, digits, .
# and -, an optional port, and a path or query of URL characters other than
# quotes, spaces, ; , \ and $. Such an address is written as it stands into
# the guest book's footer and, for the search's, into the site's security
# policy and the servers' configurations, where a quote, a space or a ;
# would end the value or add a directive.
#   include(plain_url.cmake) then across_plain_url(ACROSS_OWNER_HOME)
#   cmake -DNAME=VALUE -DCHECK=NAME -P plain_url.cmake   (the same, on its own)
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.25)
endif()

function(across_plain_url name)
  if(NOT "${${name}}" MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~:/?#@!&()*+=%-]*)?$")
    message(FATAL_ERROR "${name} is not a plain http:// or https:// address "
                        "(no quotes, spaces, ';', ',', '\\' or '$'): \"${${name}}\"")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED CHECK)
  across_plain_url(${CHECK})
endif()
