# check_reference.cmake: checks the reference that Doxygen has just made for two faults
# that Doxygen itself does not report:
# - a class that the main page does not link to: the main page's table names every class,
#   and a name that no longer resolves (a class moved into a namespace, say) turns into
#   plain text there without a warning;
# - the namespace vecmath opened in the headers without a /// comment: Doxygen then
#   leaves its free functions unchecked, so one without a comment would not fail the build.
#
#   cmake -DHTML=<html folder> -DHEADERS=<header>|<header>|... -P check_reference.cmake
set(problems "")

file(READ "${HTML}/index.html" index)
file(GLOB class_pages RELATIVE "${HTML}" "${HTML}/class*.html")
list(FILTER class_pages EXCLUDE REGEX "^classes\\.html$|-members\\.html$")
if(NOT class_pages)
  string(APPEND problems "\n  no class pages were made")
endif()
foreach(page IN LISTS class_pages)
  string(FIND "${index}" "href=\"${page}\"" at)
  if(at EQUAL -1)
    string(APPEND problems "\n  the main page does not link to ${page}: name the class "
                           "there as Doxygen finds it (with its namespace, if it has one)")
  endif()
endforeach()

string(REPLACE "|" ";" headers "${HEADERS}")
set(opened FALSE)
set(documented FALSE)
foreach(header IN LISTS headers)
  file(READ "${header}" text)
  if(text MATCHES "(^|\n)namespace vecmath[ \n]*{")
    set(opened TRUE)
  endif()
  if(text MATCHES "///[^\n]*\nnamespace vecmath[ \n]*{")
    set(documented TRUE)
  endif()
endforeach()
if(opened AND NOT documented)
  string(APPEND problems "\n  namespace vecmath has no /// comment in any header: give it "
                         "one, or Doxygen checks none of its free functions")
endif()

if(problems)
  message(FATAL_ERROR "The API reference is incomplete:${problems}")
endif()
