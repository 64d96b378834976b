# The Ruby that the extensions are built against. By default find_package(Ruby) asks the build
# machine's ruby. VISTREL_RUBY_ROOT names another installed Ruby instead, by its prefix (the
# folder holding include/ruby-X.Y.0 and lib), such as the Windows Ruby of a cross build;
# VISTREL_MODELLER_RUBY the modeller's Ruby on Windows, from its maker's SDK. Their headers,
# import library and version are put where find_package(Ruby) takes them from, so every
# extension's find_package(Ruby) uses that Ruby.
#
#   cmake -DVISTREL_BUILD_RUBY=ON -DVISTREL_RUBY_ROOT=<prefix> ...
#   cmake -DVISTREL_BUILD_RUBY=ON -DVISTREL_MODELLER_RUBY=3.2 ...

# Ruby requires an extension as <name>.so on Windows too (its DLEXT), without MinGW's "lib".
if(WIN32)
  set(CMAKE_SHARED_MODULE_PREFIX "")
  set(CMAKE_SHARED_MODULE_SUFFIX ".so")
endif()
# The modeller's Ruby does not come with MinGW's C and C++ runtime DLLs: extensions carry them.
if(MINGW)
  string(APPEND CMAKE_MODULE_LINKER_FLAGS " -static")
endif()

set(VISTREL_RUBY_ROOT "" CACHE PATH "Prefix of the Ruby to build the extensions against")
# Or the modeller's Ruby on Windows, from its maker's SDK (cmake/ModellerRubySdk.cmake).
set(VISTREL_MODELLER_RUBY "" CACHE STRING
    "Build the extensions for the modeller's Ruby of this major.minor (Windows, from its SDK)")
if(VISTREL_MODELLER_RUBY)
  include(${CMAKE_CURRENT_LIST_DIR}/ModellerRubySdk.cmake)
  return()
endif()
if(NOT VISTREL_RUBY_ROOT)
  return()
endif()

file(GLOB vistrel_ruby_headers LIST_DIRECTORIES true "${VISTREL_RUBY_ROOT}/include/ruby-*")
list(FILTER vistrel_ruby_headers INCLUDE REGEX "/ruby-[0-9.]+$")
list(LENGTH vistrel_ruby_headers count)
if(NOT count EQUAL 1 OR NOT EXISTS "${vistrel_ruby_headers}/ruby.h")
  message(FATAL_ERROR "VISTREL_RUBY_ROOT=${VISTREL_RUBY_ROOT}: expected one include/ruby-X.Y.0 "
                      "with ruby.h, found '${vistrel_ruby_headers}'")
endif()
# The platform's own headers (ruby/config.h) sit in a folder named after the platform.
file(GLOB vistrel_ruby_config "${vistrel_ruby_headers}/*/ruby/config.h")
list(LENGTH vistrel_ruby_config count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "VISTREL_RUBY_ROOT=${VISTREL_RUBY_ROOT}: expected one "
                      "<platform>/ruby/config.h in ${vistrel_ruby_headers}")
endif()
get_filename_component(vistrel_ruby_config "${vistrel_ruby_config}" DIRECTORY)
get_filename_component(vistrel_ruby_config "${vistrel_ruby_config}" DIRECTORY)

# The import library (MinGW's lib*.dll.a, MSVC's .lib) or the shared library to link with.
file(GLOB vistrel_ruby_library "${VISTREL_RUBY_ROOT}/lib/lib*ruby*.dll.a"
     "${VISTREL_RUBY_ROOT}/lib/*ruby[0-9]*.lib" "${VISTREL_RUBY_ROOT}/lib/libruby.so")
list(FILTER vistrel_ruby_library EXCLUDE REGEX "-static")
list(LENGTH vistrel_ruby_library count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "VISTREL_RUBY_ROOT=${VISTREL_RUBY_ROOT}: expected one Ruby library in lib, "
                      "found '${vistrel_ruby_library}'")
endif()

file(STRINGS "${vistrel_ruby_headers}/ruby/version.h" version_lines
     REGEX "^#define RUBY_API_VERSION_(MAJOR|MINOR|TEENY) ")
foreach(part MAJOR MINOR TEENY)
  string(REGEX MATCH "RUBY_API_VERSION_${part} ([0-9]+)" found "${version_lines}")
  set(vistrel_ruby_${part} ${CMAKE_MATCH_1})
endforeach()

set(Ruby_INCLUDE_DIR "${vistrel_ruby_headers}" CACHE PATH "" FORCE)
set(Ruby_CONFIG_INCLUDE_DIR "${vistrel_ruby_config}" CACHE PATH "" FORCE)
set(Ruby_LIBRARY "${vistrel_ruby_library}" CACHE FILEPATH "" FORCE)
set(Ruby_VERSION_MAJOR ${vistrel_ruby_MAJOR} CACHE STRING "" FORCE)
set(Ruby_VERSION_MINOR ${vistrel_ruby_MINOR} CACHE STRING "" FORCE)
set(Ruby_VERSION_PATCH ${vistrel_ruby_TEENY} CACHE STRING "" FORCE)
# A native build runs its Ruby tests with that Ruby; a cross build cannot run it and keeps the
# build machine's.
if(NOT CMAKE_CROSSCOMPILING AND EXISTS "${VISTREL_RUBY_ROOT}/bin/ruby")
  set(Ruby_EXECUTABLE "${VISTREL_RUBY_ROOT}/bin/ruby" CACHE FILEPATH "" FORCE)
endif()
message(STATUS "Ruby extensions build against ${Ruby_LIBRARY} "
               "(Ruby ${vistrel_ruby_MAJOR}.${vistrel_ruby_MINOR})")
