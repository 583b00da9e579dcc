# The version and the release facts the program and its package share.
# PROJECT_VERSION keeps the text as written in project() ("1.04": the minor
# number has two digits, as the program has always shown it). The release
# date comes from the newest entry of packaging/changelog, which must be the
# entry of this version: a version raised in project() without its
# changelog entry stops the configuration here rather than giving a package
# whose changelog tells of another version.
set(ZELMORA_VERSION ${PROJECT_VERSION})
set(ZELMORA_HOMEPAGE "https://zelmora.de")

set(_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_changelog})
file(STRINGS ${_changelog} _head LIMIT_COUNT 1)
string(REPLACE "." "\\." _version_re "${ZELMORA_VERSION}")
if(NOT _head MATCHES "^zelmora \\(${_version_re}-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry (${_head}) is not for version "
    "${ZELMORA_VERSION}; add an entry 'zelmora (${ZELMORA_VERSION}-1)' on top")
endif()
# The Debian revision of the package (the 1 of 1.04-1).
set(ZELMORA_DEBIAN_REVISION ${CMAKE_MATCH_1})
file(STRINGS ${_changelog} _trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT _trailer MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in the newest entry's trailer: ${_trailer}")
endif()
set(_day ${CMAKE_MATCH_1})
set(_mon ${CMAKE_MATCH_2})
set(_year ${CMAKE_MATCH_3})
set(_abbrevs Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(_names January February March April May June July August September October November
  December)
list(FIND _abbrevs ${_mon} _index)
if(_index LESS 0)
  message(FATAL_ERROR "packaging/changelog: unknown month ${_mon} in: ${_trailer}")
endif()
math(EXPR _month "${_index} + 1" OUTPUT_FORMAT DECIMAL)
string(LENGTH "${_day}" _len)
if(_len EQUAL 1)
  set(_day 0${_day})
endif()
if(_month LESS 10)
  set(_month 0${_month})
endif()
# 2026-12-10 (AppStream) and "December 2026" (the manual page's header).
set(ZELMORA_RELEASE_DATE ${_year}-${_month}-${_day})
list(GET _names ${_index} _name)
set(ZELMORA_RELEASE_MONTH "${_name} ${_year}")

# zelmora_version.h for the code: an interface target that puts the
# generated folder on the include path of whoever links it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/zelmora_version.h.in
  ${CMAKE_BINARY_DIR}/generated/zelmora_version.h @ONLY)
add_library(zelmora_version INTERFACE)
target_include_directories(zelmora_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
