# Who Velmora says it is, set here once and generated into everything that names it: the desktop
# entry and its file name, the AppStream metainfo, the icons' names, the polkit action, the name the
# window gives the desktop, the manual page, the credit line's web page. A distribution that ships its
# own build passes its own: cmake -DVELMORA_APP_ID=... -DVELMORA_HOMEPAGE=...
set(VELMORA_APP_ID "org.velmora.velmora" CACHE STRING "Application ID (reverse domain name)")
set(VELMORA_HOMEPAGE "https://velmora.org/" CACHE STRING "The project's web page, ending in /")
if(NOT VELMORA_APP_ID MATCHES "^[A-Za-z][A-Za-z0-9_-]*(\\.[A-Za-z][A-Za-z0-9_-]*)+$")
    message(FATAL_ERROR "VELMORA_APP_ID '${VELMORA_APP_ID}' is no reverse domain name such as org.example.tool")
endif()

# The releases, newest first, from CHANGELOG.md's headings "## VERSION (YYYY-MM-DD)": the metainfo's
# <releases> and the manual page's date come from there, so that a build never stamps its own day
# (the same commit gives the same files) and a version cannot ship without its changelog entry.
file(STRINGS ${CMAKE_SOURCE_DIR}/CHANGELOG.md _velmora_headings
    REGEX "^## [0-9]+\\.[0-9]+\\.[0-9]+ \\([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\\)$")
set(VELMORA_RELEASES "")
unset(VELMORA_RELEASE_DATE)
foreach(_heading IN LISTS _velmora_headings)
    string(REGEX REPLACE "^## ([0-9.]+) \\(([0-9-]+)\\)$" "\\1;\\2" _release "${_heading}")
    list(GET _release 0 _version)
    list(GET _release 1 _date)
    string(APPEND VELMORA_RELEASES "    <release version=\"${_version}\" date=\"${_date}\"/>\n")
    if(_version STREQUAL PROJECT_VERSION)
        set(VELMORA_RELEASE_DATE ${_date})
    endif()
endforeach()
if(NOT DEFINED VELMORA_RELEASE_DATE)
    message(FATAL_ERROR "CHANGELOG.md has no heading '## ${PROJECT_VERSION} (YYYY-MM-DD)' for this version")
endif()
string(STRIP "${VELMORA_RELEASES}" VELMORA_RELEASES)
