# The Firebird client: headers (firebird/Interface.h, ibase.h) and the library to link.
# Gives the imported target Firebird::fbclient.
#
#   Linux:   the distribution's packages (firebird-dev, libfbclient2).
#   Windows: a Firebird installation (its include/ and lib/ folders), found through
#            FIREBIRD_DIR, the FIREBIRD environment variable or the usual folders.
#            MSVC links lib/fbclient_ms.lib; MinGW links that same import library, an
#            import library of its own (libfbclient.a / libfbclient.dll.a), or fbclient.dll.
# FIREBIRD_INCLUDE_DIR and FIREBIRD_LIBRARY, when given, are taken as they are.

set(FIREBIRD_DIR "$ENV{FIREBIRD}" CACHE PATH "Firebird installation folder (Windows)")
set(_firebird_prefijos ${FIREBIRD_DIR})
if(WIN32)
  foreach(version 5_0 4_0 3_0)
    list(APPEND _firebird_prefijos "$ENV{ProgramFiles}/Firebird/Firebird_${version}")
  endforeach()
endif()

find_path(FIREBIRD_INCLUDE_DIR firebird/Interface.h HINTS ${_firebird_prefijos}
          PATH_SUFFIXES include)
if(MSVC)
  set(_firebird_nombres fbclient_ms)
else()
  set(_firebird_nombres fbclient fbclient_ms)
endif()
find_library(FIREBIRD_LIBRARY NAMES ${_firebird_nombres} HINTS ${_firebird_prefijos}
             PATH_SUFFIXES lib)
if(NOT FIREBIRD_LIBRARY AND WIN32 AND NOT MSVC)
  # MinGW's linker also takes the DLL itself.
  find_file(FIREBIRD_LIBRARY fbclient.dll HINTS ${_firebird_prefijos})
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Firebird REQUIRED_VARS FIREBIRD_LIBRARY FIREBIRD_INCLUDE_DIR)

if(Firebird_FOUND AND NOT TARGET Firebird::fbclient)
  add_library(Firebird::fbclient UNKNOWN IMPORTED)
  set_target_properties(Firebird::fbclient PROPERTIES
    IMPORTED_LOCATION "${FIREBIRD_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${FIREBIRD_INCLUDE_DIR}")
endif()
